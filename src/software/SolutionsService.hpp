// Com::Orvane::Tarn::HostprefDaemon::SolutionsSvc::AsyncServiceImpl: installs and removes
// solutions through tasks of the image manager tool; staging solutions is not supported.
//
// Shared by the provider; keeps no state, so calls may overlap. Failures are Error (not
// InternalServerError), as this service has always answered them.
#pragma once

#include "generated/Com/Orvane/Tarn/HostprefDaemon/SolutionsSvc.hpp"

namespace Com::Orvane::Tarn::HostprefDaemon::SolutionsSvc {

class AsyncServiceImpl : public AsyncServiceInterface {
public:
    void Apply(std::shared_ptr<::Lumo::Core::AsyncActivation> activation,
               std::map<std::string, SolutionSpec> solutions, std::set<std::string> depots,
               ::Lumo::Core::AsyncResult<std::string> result) override;
    void Stage(std::shared_ptr<::Lumo::Core::AsyncActivation> activation,
               std::map<std::string, SolutionSpec> solutions, std::set<std::string> depots,
               ::Lumo::Core::AsyncResult<std::string> result) override;
    void Remove(std::shared_ptr<::Lumo::Core::AsyncActivation> activation, std::set<std::string> solutions,
                ::Lumo::Core::AsyncResult<std::string> result) override;
};

}  // namespace Com::Orvane::Tarn::HostprefDaemon::SolutionsSvc
