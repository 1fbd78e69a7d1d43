// Com::Orvane::Tarn::HostSettings::Software::ComponentsSvc::AsyncServiceImpl: single components of
// the host's desired software image, read, set and removed through the image manager tool.
//
// Shared by the provider; keeps no state. Each call runs the tool once on the calling thread.
#pragma once

#include "generated/Com/Orvane/Tarn/HostSettings/Software/ComponentsSvc.hpp"

namespace Com::Orvane::Tarn::HostSettings::Software::ComponentsSvc {

class AsyncServiceImpl : public AsyncServiceInterface {
public:
    // The version as the tool prints it, line end included; NotFound for an unknown component.
    void Get(std::shared_ptr<::Lumo::Core::AsyncActivation> activation, std::optional<std::string> host,
             std::string component, ::Lumo::Core::AsyncResult<std::optional<std::string>> result) override;
    void Set(std::shared_ptr<::Lumo::Core::AsyncActivation> activation, std::optional<std::string> host,
             std::string component, std::optional<std::string> version,
             ::Lumo::Core::AsyncResult<void> result) override;
    void Delete(std::shared_ptr<::Lumo::Core::AsyncActivation> activation, std::optional<std::string> host,
                std::string component, ::Lumo::Core::AsyncResult<void> result) override;
};

}  // namespace Com::Orvane::Tarn::HostSettings::Software::ComponentsSvc
