// The metadata services over the generated files: each answers what its file says, and
// not_found for what no file describes; the services are exactly the open ones.

#include "platform/lumo/DirectJsonCodec.hpp"
#include "platform/lumo/LumoTestSupport.hpp"
#include "platform/lumo/provider/ProviderHelper.hpp"

namespace Lumo::Provider::Metadata {
namespace {

using namespace LumoTestSupport;

// The metadata containers loaded with the generated files, and their bound services by id.
struct LoadedMetadata {
    LoadedMetadata()
    {
        for (const auto& [component, file] : {std::pair{"settings", "hostprefd_lumo_cli.json"},
                                              std::pair{"lumo_std", "lumo_common_cli.json"}}) {
            EXPECT_EQ(ProviderHelper::LoadCliMetadataFile(component, GeneratedMetadata(file), *cli), nullptr);
        }
        for (const auto& [component, file] : {std::pair{"settings", "hostprefd_lumo_metamodel.json"},
                                              std::pair{"lumo_std", "lumo_common_metamodel.json"}}) {
            EXPECT_EQ(ProviderHelper::LoadMetamodelMetadataFile(component, GeneratedMetadata(file), *metamodel),
                      nullptr);
        }
        EXPECT_EQ(ProviderHelper::LoadAuthnMetadataFile(
                      "settings_lumo_authentication", GeneratedMetadata("hostprefd_lumo_authentication.json"), *authn),
                  nullptr);
        auto localizer = std::make_shared<L10n::Localizer>(nullptr);
        for (auto group : {ProviderHelper::CliInterfaces(cli, localizer),
                           ProviderHelper::MetamodelInterfaces(metamodel, localizer),
                           ProviderHelper::AuthnInterfaces(authn, localizer)}) {
            services.insert(services.end(), group.begin(), group.end());
        }
    }

    AsyncApiInterface& Service(const std::string& id)
    {
        auto found = std::find_if(services.begin(), services.end(), [&](auto& s) { return s->ServiceId() == id; });
        if (found == services.end()) throw std::runtime_error("no bound service " + id);
        return **found;
    }

    std::shared_ptr<Cli::MetadataContainer> cli = std::make_shared<Cli::MetadataContainer>();
    std::shared_ptr<Metamodel::MetadataContainer> metamodel = std::make_shared<Metamodel::MetadataContainer>();
    std::shared_ptr<Authentication::MetadataContainer> authn = std::make_shared<Authentication::MetadataContainer>();
    std::vector<AsyncApiInterfacePtr> services;
};

// `service`.get answers each of `entries` as it stands in the file when asked, through
// parameter `param`, for the entry's member `key`.
void ExpectServed(AsyncApiInterface& service, const char* param, const rapidjson::Value& entries, const char* key)
{
    for (const auto& entry : entries.GetArray()) {
        auto got = CallNow(service, "get", Params({{param, entry[key].GetString()}}));
        ASSERT_EQ(ErrorText(got), "no error") << entry[key].GetString();
        EXPECT_EQ(*got.Output(), *Protocol::Json::DirectJsonCodec::FromJson(entry).value);
    }
}

// The sorted values of member `key` of the entries of `member` in each of `files`.
std::vector<std::string> Ids(std::initializer_list<const rapidjson::Document*> files, const char* member,
                             const char* key)
{
    std::vector<std::string> ids;
    for (const auto* file : files) {
        for (const auto& entry : (*file)[member].GetArray()) ids.emplace_back(entry[key].GetString());
    }
    std::sort(ids.begin(), ids.end());
    return ids;
}

const std::string kNotFound = "com.orvane.lumo.std.errors.not_found: ";

TEST(MetadataServicesTest, CliServicesAnswerWhatTheFilesSay)
{
    LoadedMetadata loaded;
    std::vector<std::string> bound;
    for (const auto& service : loaded.services) bound.push_back(service->ServiceId());
    EXPECT_EQ(bound, ProviderHelper::MetadataAnonSvcNames());

    auto& commands = loaded.Service("com.orvane.lumo.std.metadata.cli.command");
    auto& namespaces = loaded.Service("com.orvane.lumo.std.metadata.cli.namespace");
    auto common = ReadJson(GeneratedMetadata("lumo_common_cli.json"));
    auto daemon = ReadJson(GeneratedMetadata("hostprefd_lumo_cli.json"));

    EXPECT_EQ(StringsOf(CallNow(commands, "list").Output()), Ids({&daemon, &common}, "commands", "path"));
    EXPECT_EQ(StringsOf(CallNow(namespaces, "list").Output()), Ids({&daemon, &common}, "namespaces", "path"));
    for (const auto* file : {&daemon, &common}) {
        ExpectServed(commands, "path", (*file)["commands"], "path");
        ExpectServed(namespaces, "path", (*file)["namespaces"], "path");
    }
    EXPECT_EQ(ErrorText(CallNow(commands, "get", Params({{"path", "hub.tasks.explode"}}))),
              kNotFound + "No command hub.tasks.explode in the command-line metadata.");
    EXPECT_EQ(ErrorText(CallNow(namespaces, "get", Params({{"path", "hub"}}))),
              kNotFound + "No namespace hub in the command-line metadata.");

    auto fingerprint = CallNow(commands, "fingerprint");
    ASSERT_FALSE(fingerprint.IsError());
    EXPECT_EQ(*fingerprint.Output(), *Data::StringValue::Create(loaded.cli->CommandsFingerprint()));
}

TEST(MetadataServicesTest, MetamodelAndAuthenticationServicesAnswerWhatTheFilesSay)
{
    LoadedMetadata loaded;
    auto& components = loaded.Service("com.orvane.lumo.std.metadata.metamodel.component");
    auto& services = loaded.Service("com.orvane.lumo.std.metadata.metamodel.service");
    auto& authnServices = loaded.Service("com.orvane.lumo.std.metadata.authentication.service");
    auto common = ReadJson(GeneratedMetadata("lumo_common_metamodel.json"));

    EXPECT_EQ(StringsOf(CallNow(components, "list").Output()), (std::vector<std::string>{"lumo_std", "settings"}));
    auto component = CallNow(components, "get", Params({{"component_id", "lumo_std"}}));
    ASSERT_FALSE(component.IsError());
    EXPECT_EQ(*component.Output(), *Protocol::Json::DirectJsonCodec::FromJson(common).value);
    auto fingerprint = CallNow(components, "fingerprint", Params({{"component_id", "lumo_std"}}));
    ASSERT_FALSE(fingerprint.IsError());
    EXPECT_NE(*fingerprint.Output(),
              *CallNow(components, "fingerprint", Params({{"component_id", "settings"}})).Output());
    for (const char* operation : {"get", "fingerprint"}) {
        EXPECT_EQ(ErrorText(CallNow(components, operation, Params({{"component_id", "other"}}))),
                  kNotFound + "No metadata component other.");
    }

    auto daemon = ReadJson(GeneratedMetadata("hostprefd_lumo_metamodel.json"));
    EXPECT_EQ(StringsOf(CallNow(services, "list").Output()), Ids({&daemon, &common}, "services", "id"));
    ExpectServed(services, "service_id", daemon["services"], "id");
    ExpectServed(services, "service_id", common["services"], "id");

    auto authnJson = ReadJson(GeneratedMetadata("hostprefd_lumo_authentication.json"));
    EXPECT_EQ(StringsOf(CallNow(authnServices, "list").Output()), Ids({&authnJson}, "services", "id"));
    ExpectServed(authnServices, "service_id", authnJson["services"], "id");
    for (auto* service : {&services, &authnServices}) {
        EXPECT_EQ(ErrorText(CallNow(*service, "get", Params({{"service_id", "com.orvane.none"}}))),
                  kNotFound + "No metadata for service com.orvane.none.");
    }
}

}  // namespace
}  // namespace Lumo::Provider::Metadata
