#include "config/ConfigurationServiceImpl.hpp"

#include "config/ConfigTaskLauncher.hpp"
#include "platform/host/configmanager/ConfigManager.hpp"
#include "tasks/ApplyTask.hpp"
#include "tasks/CheckApplyTask.hpp"
#include "tasks/CheckComplianceTask.hpp"
#include "tasks/ConfigManagerMessages.hpp"
#include "tasks/ImpactTask.hpp"
#include "tasks/ValidateTask.hpp"

namespace Com::Orvane::Tarn::HostprefDaemon::ConfigurationSvc {

namespace {

using LifeCycle::AssessmentTask;
using LifeCycle::ConfigManagerTaskImpl;
using LifeCycle::ConfigTaskLauncher;
namespace Errors = Com::Orvane::Lumo::Std::Errors;

// Starts assessment task `Kind` for `method` on the call's input.
template <class Kind>
void LaunchAssessment(const ::Lumo::Core::AsyncActivation& activation, std::string_view method,
                      const char* operation, AssessmentTask::Input input,
                      const ::Lumo::Core::AsyncResult<std::string>& result)
{
    auto shared = std::make_shared<const AssessmentTask::Input>(std::move(input));
    ConfigTaskLauncher::Launch(
        activation, method, operation,
        [&](const std::string& taskId, std::shared_ptr<Api::AuditContext> audit) {
            return std::make_shared<Kind>(std::string(method), taskId, std::move(audit), shared);
        },
        result);
}

BootApplyStatus BootApplyStatusOf(int status)
{
    switch (status) {
        case 0:
            return BootApplyStatus::NOT_RUN;
        case 1:
            return BootApplyStatus::SUCCEEDED;
        case 2:
            return BootApplyStatus::FAILED;
        case 3:
            return BootApplyStatus::RESTORE_FAILED;
        default:
            throw std::runtime_error("Unknown boot apply status " + std::to_string(status));
    }
}

BootApplyResult BootApplyResultOf(const TarnConfigManager::BootApplyInfo& info)
{
    BootApplyResult result{BootApplyStatusOf(info.status), {}};
    for (const TarnConfigManager::BootApplyFailure& failure : info.failures) {
        result.errors.push_back({::Lumo::DateTime::FromUnixSeconds(failure.time),
                                 LifeCycle::ConfigManagerMessages::Render(failure.messages)});
    }
    return result;
}

}  // namespace

void ConfigurationServiceImpl::Validate(std::shared_ptr<::Lumo::Core::AsyncActivation> activation,
                                        std::string desired_document,
                                        std::optional<ClusterContext> cluster_context,
                                        std::optional<bool> strict,
                                        ::Lumo::Core::AsyncResult<std::string> result)
{
    LaunchAssessment<LifeCycle::ValidateTask>(
        *activation, ValidateMethod::taskMethodName, "Validate",
        {std::move(desired_document), std::move(cluster_context), strict.value_or(false)}, result);
}

void ConfigurationServiceImpl::Impact(std::shared_ptr<::Lumo::Core::AsyncActivation> activation,
                                      std::string desired_document,
                                      std::optional<ClusterContext> cluster_context,
                                      ::Lumo::Core::AsyncResult<std::string> result)
{
    LaunchAssessment<LifeCycle::ImpactTask>(*activation, ImpactMethod::taskMethodName, "Impact",
                                            {std::move(desired_document), std::move(cluster_context), false},
                                            result);
}

void ConfigurationServiceImpl::CheckCompliance(std::shared_ptr<::Lumo::Core::AsyncActivation> activation,
                                               std::string desired_document,
                                               std::optional<ClusterContext> cluster_context,
                                               std::optional<bool> strict,
                                               ::Lumo::Core::AsyncResult<std::string> result)
{
    LaunchAssessment<LifeCycle::CheckComplianceTask>(
        *activation, CheckComplianceMethod::taskMethodName, "CheckCompliance",
        {std::move(desired_document), std::move(cluster_context), strict.value_or(false)}, result);
}

void ConfigurationServiceImpl::CheckApply(std::shared_ptr<::Lumo::Core::AsyncActivation> activation,
                                          std::string desired_document,
                                          std::optional<ClusterContext> cluster_context,
                                          ::Lumo::Core::AsyncResult<std::string> result)
{
    LaunchAssessment<LifeCycle::CheckApplyTask>(
        *activation, CheckApplyMethod::taskMethodName, nullptr,
        {std::move(desired_document), std::move(cluster_context), false}, result);
}

void ConfigurationServiceImpl::Apply(std::shared_ptr<::Lumo::Core::AsyncActivation> activation,
                                     std::string document_id, ::Lumo::Core::AsyncResult<std::string> result)
{
    const std::string method(ApplyMethod::taskMethodName);
    ConfigTaskLauncher::Launch(
        *activation, method, nullptr,
        [&](const std::string& taskId, std::shared_ptr<Api::AuditContext> audit) {
            return std::make_shared<LifeCycle::ApplyTask>(method, taskId, std::move(audit), document_id);
        },
        result);
}

void ConfigurationServiceImpl::Export(std::shared_ptr<::Lumo::Core::AsyncActivation> /*activation*/,
                                      ::Lumo::Core::AsyncResult<ExportResult> result)
{
    const std::string method(ExportMethod::methodName);
    if (::Lumo::Data::ErrorValuePtr refused = LifeCycle::InitOperation(method)) {
        result.Fail(refused);
        return;
    }
    ::Lumo::Data::ErrorValuePtr error;
    ExportResult exported;
    try {
        exported.document = TarnConfigManager::ExportDocument();
    } catch (const TarnConfigStore::ConfigStoreException& failure) {
        error = ConfigManagerTaskImpl::MakeError(failure);
    } catch (const std::exception& failure) {
        CSLogger::Log(0, "[%s] Failed to export document: %s", "Export", failure.what());
        error = ConfigManagerTaskImpl::MakeError(
            Errors::InternalServerError, "com.orvane.tarn.hostpref_daemon.configuration.export.doc.error");
    }
    LifeCycle::CleanupOperation(method);
    if (error != nullptr) {
        result.Fail(error);
    } else {
        result.Succeed(std::move(exported));
    }
}

void ConfigurationServiceImpl::GetBootApplyInfo(std::shared_ptr<::Lumo::Core::AsyncActivation> /*activation*/,
                                                ::Lumo::Core::AsyncResult<BootApplyResult> result)
{
    ::Lumo::Data::ErrorValuePtr error;
    BootApplyResult answer;
    try {
        answer = BootApplyResultOf(TarnConfigManager::GetBootApplyInfo());
    } catch (const TarnConfigStore::ConfigStoreException& failure) {
        error = ConfigManagerTaskImpl::MakeError(failure);
    } catch (const std::exception& failure) {
        CSLogger::Log(
            0, "[%s] Failed to get information about boot apply plugins and boot restore failures : %s",
            "GetBootApplyInfo", failure.what());
        error = ConfigManagerTaskImpl::MakeError(
            Errors::InternalServerError,
            "com.orvane.tarn.hostpref_daemon.configuration.get_boot_apply_info.error");
    }
    if (error != nullptr) {
        result.Fail(error);
    } else {
        result.Succeed(std::move(answer));
    }
}

}  // namespace Com::Orvane::Tarn::HostprefDaemon::ConfigurationSvc
