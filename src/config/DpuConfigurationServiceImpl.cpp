#include "config/DpuConfigurationServiceImpl.hpp"

#include "platform/host/CSLogger.hpp"
#include "platform/host/configmanager/ConfigManager.hpp"
#include "tasks/ConfigManagerTaskImpl.hpp"

namespace Com::Orvane::Tarn::HostprefDaemon::DataProcessingUnit::ConfigurationSvc {

void DpuConfigurationServiceImpl::Set(std::shared_ptr<::Lumo::Core::AsyncActivation> /*activation*/,
                                      std::string configuration, ::Lumo::Core::AsyncResult<void> result)
{
    try {
        TarnConfigManager::SetSmartnicConfiguration(configuration);
    } catch (const std::exception& failure) {
        CSLogger::Log(0, "[%s] Failed to set smartnic configuration: %s", "Set", failure.what());
        result.Fail(LifeCycle::ConfigManagerTaskImpl::MakeError(
            Com::Orvane::Lumo::Std::Errors::InternalServerError,
            "com.orvane.tarn.hostpref_daemon.data_processing_unit.configuration.set.error"));
        return;
    }
    result.Succeed();
}

}  // namespace Com::Orvane::Tarn::HostprefDaemon::DataProcessingUnit::ConfigurationSvc
