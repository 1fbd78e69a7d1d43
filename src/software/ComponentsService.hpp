// Com::Orvane::Tarn::HostprefDaemon::ComponentsSvc::AsyncServiceImpl: installs or updates single
// components, launched as a task of the image manager tool.
//
// Shared by the provider; keeps no state, so calls may overlap.
#pragma once

#include "generated/Com/Orvane/Tarn/HostprefDaemon/ComponentsSvc.hpp"

namespace Com::Orvane::Tarn::HostprefDaemon::ComponentsSvc {

class AsyncServiceImpl : public AsyncServiceInterface {
public:
    // Answers the task id; InvalidArgument for no components, no depots or a name:version
    // pair outside [a-zA-Z0-9:-_.].
    void Apply(std::shared_ptr<::Lumo::Core::AsyncActivation> activation,
               std::map<std::string, std::string> components, std::vector<std::string> depots,
               ::Lumo::Core::AsyncResult<std::string> result) override;
};

}  // namespace Com::Orvane::Tarn::HostprefDaemon::ComponentsSvc
