// Com::Orvane::Tarn::HostprefDaemon::DataProcessingUnit::ConfigurationSvc::
// DpuConfigurationServiceImpl: hands the data-processing unit's configuration to the
// configuration manager. Served on data-processing-unit hosts only.
//
// Shared by the provider; stateless; called on the endpoint thread.
#pragma once

#include "generated/Com/Orvane/Tarn/HostprefDaemon/DataProcessingUnit/ConfigurationSvc.hpp"

namespace Com::Orvane::Tarn::HostprefDaemon::DataProcessingUnit::ConfigurationSvc {

class DpuConfigurationServiceImpl : public AsyncServiceInterface {
public:
    void Set(std::shared_ptr<::Lumo::Core::AsyncActivation> activation, std::string configuration,
             ::Lumo::Core::AsyncResult<void> result) override;
};

}  // namespace Com::Orvane::Tarn::HostprefDaemon::DataProcessingUnit::ConfigurationSvc
