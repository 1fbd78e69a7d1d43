// Com::Orvane::Tarn::HostprefDaemon::ConfigurationSvc::ConfigurationServiceImpl: the desired
// configuration service. Validate, Impact, CheckCompliance, CheckApply and Apply start
// configuration tasks and answer their ids; Export and GetBootApplyInfo answer at once.
//
// Shared by the provider for the life of the process; keeps no state of its own. Called on
// the endpoint thread.
#pragma once

#include "generated/Com/Orvane/Tarn/HostprefDaemon/ConfigurationSvc.hpp"

namespace Com::Orvane::Tarn::HostprefDaemon::ConfigurationSvc {

class ConfigurationServiceImpl : public AsyncServiceInterface {
public:
    void Validate(std::shared_ptr<::Lumo::Core::AsyncActivation> activation, std::string desired_document,
                  std::optional<ClusterContext> cluster_context, std::optional<bool> strict,
                  ::Lumo::Core::AsyncResult<std::string> result) override;
    void Impact(std::shared_ptr<::Lumo::Core::AsyncActivation> activation, std::string desired_document,
                std::optional<ClusterContext> cluster_context,
                ::Lumo::Core::AsyncResult<std::string> result) override;
    void CheckCompliance(std::shared_ptr<::Lumo::Core::AsyncActivation> activation,
                         std::string desired_document, std::optional<ClusterContext> cluster_context,
                         std::optional<bool> strict, ::Lumo::Core::AsyncResult<std::string> result) override;
    void CheckApply(std::shared_ptr<::Lumo::Core::AsyncActivation> activation, std::string desired_document,
                    std::optional<ClusterContext> cluster_context,
                    ::Lumo::Core::AsyncResult<std::string> result) override;
    void Apply(std::shared_ptr<::Lumo::Core::AsyncActivation> activation, std::string document_id,
               ::Lumo::Core::AsyncResult<std::string> result) override;
    void Export(std::shared_ptr<::Lumo::Core::AsyncActivation> activation,
                ::Lumo::Core::AsyncResult<ExportResult> result) override;
    void GetBootApplyInfo(std::shared_ptr<::Lumo::Core::AsyncActivation> activation,
                          ::Lumo::Core::AsyncResult<BootApplyResult> result) override;
};

}  // namespace Com::Orvane::Tarn::HostprefDaemon::ConfigurationSvc
