// Com::Orvane::Tarn::Hosts::SettingsSvc::AsyncServiceImpl: the one-call apply of a desired
// configuration and software image for a host managed as a cluster member. The parts are
// written as documents and handed to the host's life-cycle tool, started detached as a task.
//
// Shared by the provider; keeps no state in memory. The host-wide claim is the apply pid file,
// tested and written under an access lock so that two appliers (in any process) exclude each
// other; the tool owns the file, and the documents, once it has started.
#pragma once

#include "generated/Com/Orvane/Tarn/Hosts/SettingsSvc.hpp"

namespace Com::Orvane::Tarn::Hosts::SettingsSvc {

class AsyncServiceImpl : public AsyncServiceInterface {
public:
    // Answers the task id once the tool has been started. InvalidArgument without a
    // configuration and an image, or for an image without depots; InternalServerError with the
    // contention message while another apply holds the host.
    void Apply(std::shared_ptr<::Lumo::Core::AsyncActivation> activation, std::optional<std::string> host,
               std::optional<std::map<std::string, ::Lumo::Data::DataValuePtr>> configuration,
               std::optional<::Com::Orvane::Tarn::HostSettings::SoftwareSpec> image,
               std::optional<std::vector<::Com::Orvane::Tarn::HostSettings::DepotSpec>> depots,
               ::Lumo::Core::AsyncResult<std::string> result) override;

    static constexpr const char* kApplyPidFile = "/var/orvane/lifecycle/lifecycle.apply.pid";
};

}  // namespace Com::Orvane::Tarn::Hosts::SettingsSvc
