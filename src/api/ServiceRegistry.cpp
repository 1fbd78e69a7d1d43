#include "api/ServiceRegistry.hpp"

#include <string_view>

#include "config/ConfigurationServiceImpl.hpp"
#include "config/DpuConfigurationServiceImpl.hpp"
#include "config/KeysServiceImpl.hpp"
#include "generated/Com/Orvane/Hub/TasksSvc.hpp"
#include "generated/Com/Orvane/Tarn/Configuration/Components/Groups/KeysSvc.hpp"
#include "generated/Com/Orvane/Tarn/HostSettings/DepotsSvc.hpp"
#include "generated/Com/Orvane/Tarn/HostSettings/Software/ComponentsSvc.hpp"
#include "generated/Com/Orvane/Tarn/HostSettings/Software/TarnSvc.hpp"
#include "generated/Com/Orvane/Tarn/HostSettings/SoftwareSvc.hpp"
#include "generated/Com/Orvane/Tarn/HostprefDaemon/CapabilitiesSvc.hpp"
#include "generated/Com/Orvane/Tarn/HostprefDaemon/ComponentsSvc.hpp"
#include "generated/Com/Orvane/Tarn/HostprefDaemon/ConfigurationSvc.hpp"
#include "generated/Com/Orvane/Tarn/HostprefDaemon/DataProcessingUnit/TarncliSvc.hpp"
#include "generated/Com/Orvane/Tarn/HostprefDaemon/SoftwareSvc.hpp"
#include "generated/Com/Orvane/Tarn/HostprefDaemon/SolutionsSvc.hpp"
#include "generated/Com/Orvane/Tarn/Hosts/SettingsSvc.hpp"
#include "generated/Com/Orvane/Tarn/Hosts/Software/ComponentsSvc.hpp"
#include "generated/Com/Orvane/Tarn/Hosts/Software/TarnSvc.hpp"
#include "generated/Com/Orvane/Tarn/Software/InstalledComponentsSvc.hpp"
#include "generated/Com/Orvane/Tarn/Software/InstalledImageSvc.hpp"
#include "generated/Com/Orvane/Tarn/Software/InstalledQuarnsSvc.hpp"
#include "platform/host/FeatureState.hpp"
#include "software/CapabilitiesService.hpp"
#include "software/ComponentsService.hpp"
#include "software/HostSettingsComponentsService.hpp"
#include "software/HostSettingsDepotsService.hpp"
#include "software/HostSettingsSoftwareService.hpp"
#include "software/HostSettingsTarnService.hpp"
#include "software/HostsComponentsService.hpp"
#include "software/HostsSettingsService.hpp"
#include "software/HostsTarnService.hpp"
#include "software/InstalledComponentsService.hpp"
#include "software/InstalledImageService.hpp"
#include "software/InstalledQuarnsService.hpp"
#include "software/SoftwareService.hpp"
#include "software/SolutionsService.hpp"
#include "software/TarncliService.hpp"
#include "tasks/TasksService.hpp"
#include "util/Originator.hpp"

namespace Host::Settings::SettingsApi {

namespace {

// Where the host API to configuration keys sits in the host's feature list.
constexpr size_t kKeysServiceFeature = 34;

// Binds a fresh `Impl` with the service's binder and appends it.
template <class Binder, class Impl>
void Append(std::vector<Lumo::Provider::AsyncApiInterfacePtr>& interfaces,
            const std::shared_ptr<Lumo::L10n::Localizer>& localizer)
{
    interfaces.push_back(Binder::BindImplementation(std::make_shared<Impl>(), localizer));
}

}  // namespace

std::vector<Lumo::Provider::AsyncApiInterfacePtr> ServiceRegistry::Bind(
    std::shared_ptr<Lumo::L10n::Localizer> localizer)
{
    namespace Hub = Com::Orvane::Hub;
    namespace Tarn = Com::Orvane::Tarn;
    namespace Daemon = Tarn::HostprefDaemon;
    namespace Keys = Tarn::Configuration::Components::Groups::KeysSvc;
    std::vector<Lumo::Provider::AsyncApiInterfacePtr> interfaces;
    Append<Hub::TasksSvc::AsyncServiceBinder, Hub::TasksSvc::AsyncServiceImpl>(interfaces, localizer);

    // Hosts managed as cluster members; the host's software settings.
    Append<Tarn::Hosts::SettingsSvc::AsyncServiceBinder, Tarn::Hosts::SettingsSvc::AsyncServiceImpl>(interfaces,
                                                                                                     localizer);
    Append<Tarn::Hosts::Software::TarnSvc::AsyncServiceBinder, Tarn::Hosts::Software::TarnSvc::AsyncServiceImpl>(
        interfaces, localizer);
    Append<Tarn::Hosts::Software::ComponentsSvc::AsyncServiceBinder,
           Tarn::Hosts::Software::ComponentsSvc::AsyncServiceImpl>(interfaces, localizer);
    Append<Tarn::HostSettings::SoftwareSvc::AsyncServiceBinder, Tarn::HostSettings::SoftwareSvc::AsyncServiceImpl>(
        interfaces, localizer);
    Append<Tarn::HostSettings::DepotsSvc::AsyncServiceBinder, Tarn::HostSettings::DepotsSvc::AsyncServiceImpl>(
        interfaces, localizer);
    Append<Tarn::HostSettings::Software::TarnSvc::AsyncServiceBinder,
           Tarn::HostSettings::Software::TarnSvc::AsyncServiceImpl>(interfaces, localizer);
    Append<Tarn::HostSettings::Software::ComponentsSvc::AsyncServiceBinder,
           Tarn::HostSettings::Software::ComponentsSvc::AsyncServiceImpl>(interfaces, localizer);

    // The host API to single keys is a feature of the host, by its place in the feature list.
    if (FeatureList::IsEnabled(kKeysServiceFeature)) {
        Append<Keys::AsyncServiceBinder, Keys::KeysServiceImpl>(interfaces, localizer);
    }

    // Software specs, components and solutions as tasks.
    Append<Daemon::CapabilitiesSvc::AsyncServiceBinder, Daemon::CapabilitiesSvc::AsyncServiceImpl>(interfaces,
                                                                                                   localizer);
    Append<Daemon::SoftwareSvc::AsyncServiceBinder, Daemon::SoftwareSvc::AsyncServiceImpl>(interfaces, localizer);
    Append<Daemon::ComponentsSvc::AsyncServiceBinder, Daemon::ComponentsSvc::AsyncServiceImpl>(interfaces, localizer);
    Append<Daemon::SolutionsSvc::AsyncServiceBinder, Daemon::SolutionsSvc::AsyncServiceImpl>(interfaces, localizer);

    // The desired configuration; the data-processing unit's only on such a host.
    Append<Daemon::ConfigurationSvc::AsyncServiceBinder, Daemon::ConfigurationSvc::ConfigurationServiceImpl>(
        interfaces, localizer);
    if (LifeCycle::Originator::IsDpuHost()) {
        Append<Daemon::DataProcessingUnit::ConfigurationSvc::AsyncServiceBinder,
               Daemon::DataProcessingUnit::ConfigurationSvc::DpuConfigurationServiceImpl>(interfaces, localizer);
    }

    // Data-processing-unit software commands; what is installed.
    Append<Daemon::DataProcessingUnit::TarncliSvc::AsyncServiceBinder,
           Daemon::DataProcessingUnit::TarncliSvc::AsyncServiceImpl>(interfaces, localizer);
    Append<Tarn::Software::InstalledComponentsSvc::AsyncServiceBinder,
           Tarn::Software::InstalledComponentsSvc::AsyncServiceImpl>(interfaces, localizer);
    Append<Tarn::Software::InstalledImageSvc::AsyncServiceBinder, Tarn::Software::InstalledImageSvc::AsyncServiceImpl>(
        interfaces, localizer);
    Append<Tarn::Software::InstalledQuarnsSvc::AsyncServiceBinder,
           Tarn::Software::InstalledQuarnsSvc::AsyncServiceImpl>(interfaces, localizer);
    return interfaces;
}

ServiceRegistry::ServiceIdSet ServiceRegistry::UserRequiredServiceIds()
{
    namespace Tarn = Com::Orvane::Tarn;
    namespace Daemon = Tarn::HostprefDaemon;
    ServiceIdSet ids = HostScopedServiceIds();
    for (std::string_view id : {
             Com::Orvane::Hub::TasksSvc::kServiceId,
             Tarn::Software::InstalledComponentsSvc::kServiceId,
             Tarn::Software::InstalledImageSvc::kServiceId,
             Tarn::Software::InstalledQuarnsSvc::kServiceId,
             Daemon::DataProcessingUnit::TarncliSvc::kServiceId,
             Daemon::SoftwareSvc::kServiceId,
             Daemon::ComponentsSvc::kServiceId,
             Daemon::SolutionsSvc::kServiceId,
             Daemon::CapabilitiesSvc::kServiceId,
             Daemon::ConfigurationSvc::kServiceId,
             Tarn::Configuration::Components::Groups::KeysSvc::kServiceId,
         }) {
        ids.emplace(id);
    }
    return ids;
}

ServiceRegistry::ServiceIdSet ServiceRegistry::HostScopedServiceIds()
{
    namespace Tarn = Com::Orvane::Tarn;
    ServiceIdSet ids;
    for (std::string_view id : {
             Tarn::Hosts::SettingsSvc::kServiceId,
             Tarn::Hosts::Software::TarnSvc::kServiceId,
             Tarn::Hosts::Software::ComponentsSvc::kServiceId,
             Tarn::HostSettings::SoftwareSvc::kServiceId,
             Tarn::HostSettings::DepotsSvc::kServiceId,
             Tarn::HostSettings::Software::TarnSvc::kServiceId,
             Tarn::HostSettings::Software::ComponentsSvc::kServiceId,
         }) {
        ids.emplace(id);
    }
    return ids;
}

}  // namespace Host::Settings::SettingsApi
