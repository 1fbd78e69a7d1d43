// The generated metadata files: valid JSON that describes exactly the services and
// operations the bindings serve, with types that resolve and rules for every operation.
// (Their component names are checked by the loader in MetadataServicesTest.)

#include <regex>
#include <sstream>

#include "platform/lumo/LumoTestSupport.hpp"
#include "generated/Com/Orvane/Hub/TasksSvc.hpp"
#include "generated/Com/Orvane/Tarn/Configuration/Components/Groups/KeysSvc.hpp"
#include "generated/Com/Orvane/Tarn/HostSettings/DepotsSvc.hpp"
#include "generated/Com/Orvane/Tarn/HostSettings/Software/ComponentsSvc.hpp"
#include "generated/Com/Orvane/Tarn/HostSettings/Software/TarnSvc.hpp"
#include "generated/Com/Orvane/Tarn/HostSettings/SoftwareSvc.hpp"
#include "generated/Com/Orvane/Tarn/HostprefDaemon/CapabilitiesSvc.hpp"
#include "generated/Com/Orvane/Tarn/HostprefDaemon/ComponentsSvc.hpp"
#include "generated/Com/Orvane/Tarn/HostprefDaemon/ConfigurationSvc.hpp"
#include "generated/Com/Orvane/Tarn/HostprefDaemon/DataProcessingUnit/ConfigurationSvc.hpp"
#include "generated/Com/Orvane/Tarn/HostprefDaemon/DataProcessingUnit/TarncliSvc.hpp"
#include "generated/Com/Orvane/Tarn/HostprefDaemon/SoftwareSvc.hpp"
#include "generated/Com/Orvane/Tarn/HostprefDaemon/SolutionsSvc.hpp"
#include "generated/Com/Orvane/Tarn/Hosts/SettingsSvc.hpp"
#include "generated/Com/Orvane/Tarn/Hosts/Software/ComponentsSvc.hpp"
#include "generated/Com/Orvane/Tarn/Hosts/Software/TarnSvc.hpp"
#include "generated/Com/Orvane/Tarn/Software/InstalledComponentsSvc.hpp"
#include "generated/Com/Orvane/Tarn/Software/InstalledImageSvc.hpp"
#include "generated/Com/Orvane/Tarn/Software/InstalledQuarnsSvc.hpp"
#include "generated/Lumo/Provider/Introspection/Bindings/OperationSvc.hpp"
#include "generated/Lumo/Provider/Introspection/Bindings/ProviderSvc.hpp"
#include "generated/Lumo/Provider/Introspection/Bindings/ServiceSvc.hpp"
#include "generated/Lumo/Provider/Metadata/Bindings/Authentication/ServiceSvc.hpp"
#include "generated/Lumo/Provider/Metadata/Bindings/Cli/CommandSvc.hpp"
#include "generated/Lumo/Provider/Metadata/Bindings/Cli/NamespaceSvc.hpp"
#include "generated/Lumo/Provider/Metadata/Bindings/Metamodel/ComponentSvc.hpp"
#include "generated/Lumo/Provider/Metadata/Bindings/Metamodel/ServiceSvc.hpp"

namespace {

using namespace LumoTestSupport;

// Service id to operation ids, as the binders serve them.
using Served = std::map<std::string, std::vector<std::string>>;

template <class... Binders>
Served ServedBy()
{
    Served served;
    for (const auto& bound : {Binders::BindImplementation(nullptr, nullptr)...}) {
        served[bound->ServiceId()] = bound->OperationIds();
    }
    return served;
}

Served DaemonServices()
{
    using namespace Com::Orvane::Tarn;
    namespace Software = HostSettings::Software;
    namespace Daemon = HostprefDaemon;
    return ServedBy<
        Com::Orvane::Hub::TasksSvc::AsyncServiceBinder, Hosts::SettingsSvc::AsyncServiceBinder,
        Hosts::Software::TarnSvc::AsyncServiceBinder, Hosts::Software::ComponentsSvc::AsyncServiceBinder,
        HostSettings::SoftwareSvc::AsyncServiceBinder, HostSettings::DepotsSvc::AsyncServiceBinder,
        Software::TarnSvc::AsyncServiceBinder, Software::ComponentsSvc::AsyncServiceBinder,
        Configuration::Components::Groups::KeysSvc::AsyncServiceBinder, Daemon::CapabilitiesSvc::AsyncServiceBinder,
        Daemon::SoftwareSvc::AsyncServiceBinder, Daemon::ComponentsSvc::AsyncServiceBinder,
        Daemon::SolutionsSvc::AsyncServiceBinder, Daemon::ConfigurationSvc::AsyncServiceBinder,
        Daemon::DataProcessingUnit::ConfigurationSvc::AsyncServiceBinder,
        Daemon::DataProcessingUnit::TarncliSvc::AsyncServiceBinder,
        Com::Orvane::Tarn::Software::InstalledComponentsSvc::AsyncServiceBinder,
        Com::Orvane::Tarn::Software::InstalledImageSvc::AsyncServiceBinder,
        Com::Orvane::Tarn::Software::InstalledQuarnsSvc::AsyncServiceBinder>();
}

Served FrameworkServices()
{
    namespace Introspection = Lumo::Provider::Introspection::Bindings;
    namespace Metadata = Lumo::Provider::Metadata::Bindings;
    return ServedBy<Introspection::ProviderSvc::AsyncServiceBinder, Introspection::ServiceSvc::AsyncServiceBinder,
                    Introspection::OperationSvc::AsyncServiceBinder, Metadata::Cli::NamespaceSvc::AsyncServiceBinder,
                    Metadata::Cli::CommandSvc::AsyncServiceBinder, Metadata::Metamodel::ComponentSvc::AsyncServiceBinder,
                    Metadata::Metamodel::ServiceSvc::AsyncServiceBinder,
                    Metadata::Authentication::ServiceSvc::AsyncServiceBinder>();
}

std::vector<std::string> Strings(const rapidjson::Value& list)
{
    std::vector<std::string> strings;
    for (const auto& item : list.GetArray()) strings.emplace_back(item.GetString());
    return strings;
}

Served ServicesOfMetamodel(const rapidjson::Document& metamodel)
{
    Served listed;
    for (const auto& service : metamodel["services"].GetArray()) {
        auto& operations = listed[service["id"].GetString()];
        for (const auto& operation : service["operations"].GetArray()) {
            operations.emplace_back(operation["id"].GetString());
        }
    }
    return listed;
}

TEST(MetadataTest, MetamodelsListExactlyTheServedOperationsAndDeclareEveryTypeTheyName)
{
    auto daemon = ReadJson(GeneratedMetadata("hostprefd_lumo_metamodel.json"));
    auto framework = ReadJson(GeneratedMetadata("lumo_common_metamodel.json"));
    EXPECT_EQ(DaemonServices().size(), 19u);
    EXPECT_EQ(ServicesOfMetamodel(daemon), DaemonServices());
    EXPECT_EQ(ServicesOfMetamodel(framework), FrameworkServices());

    // Every type they name is declared.
    std::set<std::string> declared{"string", "secret", "uri",  "long", "double", "boolean", "binary", "date_time",
                                   "opaque", "error",  "void", "list", "set",    "map",     "optional"};
    std::vector<std::string> used;
    for (const auto* document : {&daemon, &framework}) {
        for (const auto& structure : (*document)["structures"].GetArray()) {
            declared.insert(structure["id"].GetString());
            for (const auto& field : structure["fields"].GetArray()) used.emplace_back(field["type"].GetString());
        }
        for (const auto& enumeration : (*document)["enumerations"].GetArray()) {
            declared.insert(enumeration["id"].GetString());
            EXPECT_GT(enumeration["values"].Size(), 0u);
        }
        for (const auto& service : (*document)["services"].GetArray()) {
            for (const auto& operation : service["operations"].GetArray()) {
                used.emplace_back(operation["output"].GetString());
                for (const auto& param : operation["params"].GetArray()) used.emplace_back(param["type"].GetString());
            }
        }
    }
    // Split "map<string,list<x>>" into its names.
    for (const std::string& text : used) {
        std::istringstream names(std::regex_replace(text, std::regex("[<>,]"), " "));
        for (std::string name; names >> name;) EXPECT_TRUE(declared.contains(name)) << name << " in " << text;
    }
}

TEST(MetadataTest, CommandLineMetadataHasOneCommandPerOperation)
{
    auto cli = ReadJson(GeneratedMetadata("hostprefd_lumo_cli.json"));
    Served commands;
    for (const auto& command : cli["commands"].GetArray()) {
        std::string service = command["service"].GetString();
        std::string operation = command["operation"].GetString();
        EXPECT_EQ(std::string(command["path"].GetString()), service.substr(std::string("com.orvane.").size()) + "." + operation);
        commands[service].push_back(operation);
    }
    EXPECT_EQ(commands, DaemonServices());
    EXPECT_EQ(cli["namespaces"].Size(), 19u);
}

TEST(MetadataTest, AuthorizationRulesCoverEveryDaemonOperation)
{
    auto metamodel = ReadJson(GeneratedMetadata("hostprefd_lumo_metamodel.json"));
    auto authorization = ReadJson(GeneratedMetadata("hostprefd_lumo_authorization.json"));
    const auto& rules = authorization["authorization"]["rules"];
    size_t covered = 0;
    for (const auto& service : metamodel["services"].GetArray()) {
        std::string id = service["id"].GetString();
        ASSERT_TRUE(rules.HasMember(id.c_str())) << id;
        for (const auto& operation : service["operations"].GetArray()) {
            std::string key = id + "." + operation["id"].GetString();
            ASSERT_TRUE(rules.HasMember(key.c_str())) << key;
            auto entitlements = Strings(rules[key.c_str()]);
            // A task always changes the host; the tasks service's reads never do.
            if (operation["task"].GetBool()) {
                EXPECT_EQ(entitlements, std::vector<std::string>{"HostSettings.Modify"}) << key;
            }
            if (key == "com.orvane.hub.tasks.get" || key == "com.orvane.hub.tasks.list") {
                EXPECT_EQ(entitlements, std::vector<std::string>{"HostSettings.Read"}) << key;
            }
            ++covered;
        }
    }
    EXPECT_EQ(covered + metamodel["services"].Size(), rules.MemberCount());
    EXPECT_EQ(Strings(rules["com.orvane.hub.tasks.cancel"]), std::vector<std::string>{"HostSettings.Modify"});
}

TEST(MetadataTest, AuthenticationOpensTheFrameworkServicesOnly)
{
    auto authentication = ReadJson(GeneratedMetadata("hostprefd_lumo_authentication.json"));
    std::vector<std::string> anonymous = Strings(authentication["authorization"]["anonymous"]);
    std::vector<std::string> framework;  // in order, as the services come from a map
    for (const auto& [id, operations] : FrameworkServices()) framework.push_back(id);
    std::sort(anonymous.begin(), anonymous.end());
    EXPECT_EQ(anonymous, framework);
    EXPECT_EQ(authentication["services"].Size(), 19u);
}

}  // namespace
