// Com::Orvane::Tarn::HostSettings::SoftwareSvc::AsyncServiceImpl: the host's whole desired
// software image, read and replaced as a JSON document through the image manager tool.
//
// Shared by the provider; keeps no state. Each call runs the tool once on the calling thread.
#pragma once

#include "generated/Com/Orvane/Tarn/HostSettings/SoftwareSvc.hpp"

namespace Com::Orvane::Tarn::HostSettings::SoftwareSvc {

class AsyncServiceImpl : public AsyncServiceInterface {
public:
    // NotFound when the host has no desired image (exit 82); any other exit code still has its
    // output read as the image description.
    void Get(std::shared_ptr<::Lumo::Core::AsyncActivation> activation, std::optional<std::string> host,
             ::Lumo::Core::AsyncResult<SoftwareSpec> result) override;
    // Checks the base image version and the component names (not their versions) before the
    // document goes to the tool's standard input.
    void Set(std::shared_ptr<::Lumo::Core::AsyncActivation> activation, std::optional<std::string> host,
             SoftwareSpec spec, ::Lumo::Core::AsyncResult<void> result) override;
};

}  // namespace Com::Orvane::Tarn::HostSettings::SoftwareSvc
