// Com::Orvane::Tarn::HostSettings::DepotsSvc::AsyncServiceImpl: the software depots the host
// knows, listed, added and removed through the image manager tool.
//
// Shared by the provider; keeps no state. Each call runs the tool once on the calling (endpoint)
// thread and answers when it has finished.
#pragma once

#include "generated/Com/Orvane/Tarn/HostSettings/DepotsSvc.hpp"

namespace Com::Orvane::Tarn::HostSettings::DepotsSvc {

class AsyncServiceImpl : public AsyncServiceInterface {
public:
    void List(std::shared_ptr<::Lumo::Core::AsyncActivation> activation, std::optional<std::string> host,
              ::Lumo::Core::AsyncResult<std::vector<DepotSpec>> result) override;
    // AlreadyExists when the tool knows the name (exit 80); the connect error when it cannot
    // reach the depot (exit 83).
    void Create(std::shared_ptr<::Lumo::Core::AsyncActivation> activation, std::optional<std::string> host,
                DepotSpec spec, ::Lumo::Core::AsyncResult<void> result) override;
    // NotFound for an unknown name (exit 82).
    void Delete(std::shared_ptr<::Lumo::Core::AsyncActivation> activation, std::optional<std::string> host,
                std::string name, ::Lumo::Core::AsyncResult<void> result) override;
};

}  // namespace Com::Orvane::Tarn::HostSettings::DepotsSvc
