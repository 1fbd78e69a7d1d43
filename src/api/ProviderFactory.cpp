#include "api/ProviderFactory.hpp"

#include <fstream>
#include <vector>

#include "api/ServiceRegistry.hpp"
#include "api/authn/AsyncAuthnFilter.hpp"
#include "api/authn/TokenHandler.hpp"
#include "api/authn/UserPassHandler.hpp"
#include "api/authz/AsyncAuthzFilter.hpp"
#include "api/authz/CallRegistrar.hpp"
#include "api/authz/EntitlementChecker.hpp"
#include "api/authz/LoadAuthzInfoMetadata.hpp"
#include "api/authz/RequireUserAuthz.hpp"
#include "api/filter/ErrorAnnotatorFilter.hpp"
#include "api/filter/HostInputFilter.hpp"
#include "api/filter/LogFilter.hpp"
#include "translator/Translator.hpp"
#include "generated/Lumo/Provider/Introspection/Bindings/OperationSvc.hpp"
#include "generated/Lumo/Provider/Introspection/Bindings/ProviderSvc.hpp"
#include "generated/Lumo/Provider/Introspection/Bindings/ServiceSvc.hpp"
#include "platform/host/CSLogger.hpp"
#include "platform/host/HostRoot.hpp"
#include "platform/host/Panic.hpp"
#include "platform/lumo/DummyMutex.hpp"
#include "platform/lumo/provider/AsyncLocalProviderFactory.hpp"
#include "platform/lumo/provider/ProviderHelper.hpp"
#include "util/Originator.hpp"

namespace Host::Settings::SettingsApi {

namespace {

namespace Metadata = Lumo::Provider::Metadata;

// Where the framework's loaders report a failed load: the process ends naming this place
// and the line of the load, so that the failing file can be told from the log alone.
constexpr const char* kLoaderSite = "apps/lifecycle/lumo/lumocpp/provider";

constexpr const char* kCliFile = "/usr/lib/orvane/lifecycle/metadata/hostprefd_lumo_cli.json";
constexpr const char* kCommonCliFile = "/usr/lib/orvane/lifecycle/metadata/lumo_common_cli.json";
constexpr const char* kMetamodelFile = "/usr/lib/orvane/lifecycle/metadata/hostprefd_lumo_metamodel.json";
constexpr const char* kCommonMetamodelFile = "/usr/lib/orvane/lifecycle/metadata/lumo_common_metamodel.json";
constexpr const char* kAuthnFile = "/usr/lib/orvane/lifecycle/metadata/hostprefd_lumo_authentication.json";
constexpr const char* kAuthzFile = "/usr/lib/orvane/lifecycle/metadata/hostprefd_lumo_authorization.json";

// One metadata load; `load` returns null on success.
template <class Load>
void LoadOrDie(const char* what, const char* path, int line, Load load)
{
    CSLogger::Log(2, "Loading %s metadata file: %s", what, path);
    Lumo::Data::ErrorValuePtr error = load(HostRoot::Path(path));
    if (error) {
        CSLogger::Log(0, "Error loading file: %s", error->ToString().c_str());
    }
    VERIFY_AT(error == nullptr, kLoaderSite, line);
}

// The authorization information of an entitlement-checking host, from the authentication
// file and then the authorization file.
std::shared_ptr<Lumo::Authz::AuthzInfo> LoadAuthzInfo(const std::shared_ptr<Lumo::Log::Logger>& logger)
{
    auto info = std::make_shared<Lumo::Authz::AuthzInfo>();
    for (auto [path, line] : {std::pair{kAuthnFile, 556}, std::pair{kAuthzFile, 562}}) {
        CSLogger::Log(2, "Loading authz metadata file: %s", path);
        std::ifstream in(HostRoot::Path(path));
        VERIFY_AT(in.is_open(), kLoaderSite, line);
        std::vector<Lumo::BaseMessage> messages;
        bool loaded = Lumo::Authz::Metadata::LoadAuthzInfoMetadata::Load(in, *info, logger.get(), messages);
        if (!loaded) {
            CSLogger::Log(0, "Error loading authz metadata file: %s", path);
        }
        VERIFY_AT(loaded, kLoaderSite, line);
    }
    return info;
}

}  // namespace

ProviderFactory::ProviderPtr ProviderFactory::Create(boost::asio::io_context& ioContext,
                                                     std::shared_ptr<Lumo::Log::Logger> logger)
{
    LoadMetadataFiles();
    // Services run on a later turn of the endpoint thread, never inside the caller's turn.
    Lumo::Provider::Dispatcher dispatcher = [&ioContext](std::function<void()> work) {
        boost::asio::post(ioContext, std::move(work));
    };
    ProviderPtr chain = CreateLocalProvider(dispatcher);
    chain = std::make_shared<Filter::ErrorAnnotatorFilter>(std::move(chain));
    chain = std::make_shared<Filter::HostInputFilter>(std::move(chain), dispatcher,
                                                      ServiceRegistry::HostScopedServiceIds());
    chain = LifeCycle::Originator::IsDpuHost() ? WrapDpuHostSecurity(std::move(chain), dispatcher, logger)
                                         : WrapOrdinaryHostSecurity(std::move(chain), dispatcher, logger);
    return std::make_shared<Filter::LogFilter>(std::move(chain));
}

void ProviderFactory::LoadMetadataFiles()
{
    auto& cli = *Metadata::Cli::MetadataContainer::GetInstance();
    auto& metamodel = *Metadata::Metamodel::MetadataContainer::GetInstance();
    auto& authn = *Metadata::Authentication::MetadataContainer::GetInstance();
    using Helper = Metadata::ProviderHelper;
    LoadOrDie("cli", kCliFile, 649,
              [&](const std::string& path) { return Helper::LoadCliMetadataFile("settings", path, cli); });
    LoadOrDie("cli", kCommonCliFile, 652,
              [&](const std::string& path) { return Helper::LoadCliMetadataFile("lumo_std", path, cli); });
    LoadOrDie("metamodel", kMetamodelFile, 658, [&](const std::string& path) {
        return Helper::LoadMetamodelMetadataFile("settings", path, metamodel);
    });
    LoadOrDie("metamodel", kCommonMetamodelFile, 661, [&](const std::string& path) {
        return Helper::LoadMetamodelMetadataFile("lumo_std", path, metamodel);
    });
    LoadOrDie("authn", kAuthnFile, 667, [&](const std::string& path) {
        return Helper::LoadAuthnMetadataFile("settings_lumo_authentication", path, authn);
    });
}

ProviderFactory::ProviderPtr ProviderFactory::CreateLocalProvider(const Lumo::Provider::Dispatcher& dispatcher)
{
    using Helper = Metadata::ProviderHelper;
    std::shared_ptr<Lumo::L10n::Localizer> localizer = LifeCycle::Translator::MakeLocalizer();
    std::vector<Lumo::Provider::AsyncApiInterfacePtr> interfaces = ServiceRegistry::Bind(localizer);
    for (auto&& group : {Helper::CliInterfaces(Metadata::Cli::MetadataContainer::GetInstance(), localizer),
                         Helper::MetamodelInterfaces(Metadata::Metamodel::MetadataContainer::GetInstance(), localizer),
                         Helper::AuthnInterfaces(Metadata::Authentication::MetadataContainer::GetInstance(), localizer)}) {
        interfaces.insert(interfaces.end(), group.begin(), group.end());
    }
    using Container = Lumo::Provider::AsyncApiInterfaceConcurrentContainer<Lumo::DummyMutex>;
    return Lumo::Provider::AsyncLocalProviderFactory::Create<Lumo::DummyMutex>(
        dispatcher, Container::GetInstance(interfaces), std::move(localizer));
}

ProviderFactory::ProviderPtr ProviderFactory::WrapOrdinaryHostSecurity(ProviderPtr chain,
                                                                       const Lumo::Provider::Dispatcher& dispatcher,
                                                                       const std::shared_ptr<Lumo::Log::Logger>& logger)
{
    auto config = std::make_shared<Lumo::Authz::AuthzRequireUserConfig>();
    config->requireUser = ServiceRegistry::UserRequiredServiceIds();
    namespace Introspection = Lumo::Provider::Introspection::Bindings;
    for (std::string_view id : {Introspection::OperationSvc::kServiceId, Introspection::ProviderSvc::kServiceId,
                                Introspection::ServiceSvc::kServiceId}) {
        config->anonymous.emplace(id);
    }
    for (const std::string& id : Metadata::ProviderHelper::MetadataAnonSvcNames()) {
        config->anonymous.insert(id);
    }
    config->closedByDefault = true;
    chain = std::make_shared<Lumo::Authz::Filter::RequireUserAuthz>(std::move(config), dispatcher, std::move(chain),
                                                                    logger);
    chain = std::make_shared<Lumo::Authn::Filter::AsyncAuthnFilter>(std::make_shared<Authn::UserPassHandler>(),
                                                                    std::move(chain));
    return std::make_shared<Lumo::Observer::CallRegistrar>(std::move(chain));
}

ProviderFactory::ProviderPtr ProviderFactory::WrapDpuHostSecurity(ProviderPtr chain,
                                                                  const Lumo::Provider::Dispatcher& dispatcher,
                                                                  const std::shared_ptr<Lumo::Log::Logger>& logger)
{
    auto checker = std::make_shared<Lumo::Authz::EntitlementChecker>(logger);
    chain = std::make_shared<Lumo::Authz::Filter::AsyncAuthzFilter>(LoadAuthzInfo(logger), std::move(checker),
                                                                    dispatcher, std::move(chain), logger);
    return std::make_shared<Lumo::Authn::Filter::AsyncAuthnFilter>(std::make_shared<Tarn::Authn::TokenHandler>(logger),
                                                                   std::move(chain));
}

}  // namespace Host::Settings::SettingsApi
