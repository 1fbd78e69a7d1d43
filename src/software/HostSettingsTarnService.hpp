// Com::Orvane::Tarn::HostSettings::Software::TarnSvc::AsyncServiceImpl: the base image version of
// the host's desired software image, read and set through the image manager tool.
//
// Shared by the provider; keeps no state. Each call runs the tool once on the calling thread.
#pragma once

#include "generated/Com/Orvane/Tarn/HostSettings/Software/TarnSvc.hpp"

namespace Com::Orvane::Tarn::HostSettings::Software::TarnSvc {

class AsyncServiceImpl : public AsyncServiceInterface {
public:
    // The version as the tool prints it; NotFound when the desired image has none (exit 82).
    void Get(std::shared_ptr<::Lumo::Core::AsyncActivation> activation, std::optional<std::string> host,
             ::Lumo::Core::AsyncResult<std::string> result) override;
    // NotFound when no depot offers the version (exit 82); InvalidArgument for a version the
    // tool cannot read (exit 84).
    void Set(std::shared_ptr<::Lumo::Core::AsyncActivation> activation, std::optional<std::string> host,
             std::string version, ::Lumo::Core::AsyncResult<void> result) override;
};

}  // namespace Com::Orvane::Tarn::HostSettings::Software::TarnSvc
