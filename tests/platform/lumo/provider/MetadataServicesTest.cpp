// The metadata services over the generated files: each answers what its file says, and
// not_found for what no file describes; the services are exactly the open ones.
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "platform/lumo/DirectJsonCodec.hpp"
#include "platform/lumo/provider/ProviderHelper.hpp"
#include "platform/lumo/provider/ProviderTestSupport.hpp"

namespace Lumo::Provider::Metadata {
namespace {

using namespace ProviderTestSupport;

// The metadata containers loaded with the generated files, and their bound services by id.
struct LoadedMetadata {
    LoadedMetadata()
    {
        EXPECT_EQ(ProviderHelper::LoadCliMetadataFile("settings", GeneratedMetadata("hostprefd_lumo_cli.json"), *cli),
                  nullptr);
        EXPECT_EQ(ProviderHelper::LoadCliMetadataFile("lumo_std", GeneratedMetadata("lumo_common_cli.json"), *cli),
                  nullptr);
        EXPECT_EQ(ProviderHelper::LoadMetamodelMetadataFile(
                      "settings", GeneratedMetadata("hostprefd_lumo_metamodel.json"), *metamodel),
                  nullptr);
        EXPECT_EQ(ProviderHelper::LoadMetamodelMetadataFile(
                      "lumo_std", GeneratedMetadata("lumo_common_metamodel.json"), *metamodel),
                  nullptr);
        EXPECT_EQ(ProviderHelper::LoadAuthnMetadataFile("settings_lumo_authentication",
                                                        GeneratedMetadata("hostprefd_lumo_authentication.json"),
                                                        *authn),
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
        for (auto& service : services) {
            if (service->ServiceId() == id) {
                return *service;
            }
        }
        throw std::runtime_error("no bound service " + id);
    }

    std::shared_ptr<Cli::MetadataContainer> cli = std::make_shared<Cli::MetadataContainer>();
    std::shared_ptr<Metamodel::MetadataContainer> metamodel = std::make_shared<Metamodel::MetadataContainer>();
    std::shared_ptr<Authentication::MetadataContainer> authn = std::make_shared<Authentication::MetadataContainer>();
    std::vector<AsyncApiInterfacePtr> services;
};

void ExpectMetadataNotFound(const Core::MethodResult& result, const std::string& text)
{
    ASSERT_TRUE(result.IsError());
    EXPECT_EQ(result.Error()->Name(), "com.orvane.lumo.std.errors.not_found");
    auto message = FirstMessage(result.Error());
    ASSERT_TRUE(message);
    EXPECT_EQ(message->localized, text);
}

std::vector<std::string> SortedMembers(const rapidjson::Value& entries, const char* key)
{
    std::vector<std::string> ids;
    for (const auto& entry : entries.GetArray()) {
        ids.emplace_back(entry[key].GetString());
    }
    std::sort(ids.begin(), ids.end());
    return ids;
}

TEST(MetadataServicesTest, TheBoundServicesAreExactlyTheOpenOnesAndTheAuthenticationFileAgrees)
{
    LoadedMetadata loaded;
    std::vector<std::string> bound;
    for (const auto& service : loaded.services) {
        bound.push_back(service->ServiceId());
    }
    EXPECT_EQ(bound, ProviderHelper::MetadataAnonSvcNames());

    auto authnJson = ReadJson(GeneratedMetadata("hostprefd_lumo_authentication.json"));
    std::vector<std::string> anonymous;
    for (const auto& id : authnJson["authorization"]["anonymous"].GetArray()) {
        anonymous.emplace_back(id.GetString());
    }
    for (const std::string& id : bound) {
        EXPECT_NE(std::find(anonymous.begin(), anonymous.end(), id), anonymous.end()) << id;
    }
}

TEST(MetadataServicesTest, CliServicesAnswerWhatTheFilesSay)
{
    LoadedMetadata loaded;
    auto& commands = loaded.Service("com.orvane.lumo.std.metadata.cli.command");
    auto& namespaces = loaded.Service("com.orvane.lumo.std.metadata.cli.namespace");
    auto common = ReadJson(GeneratedMetadata("lumo_common_cli.json"));
    auto daemon = ReadJson(GeneratedMetadata("hostprefd_lumo_cli.json"));

    auto paths = StringsOf(CallNow(commands, "list").Output());
    for (const auto& command : common["commands"].GetArray()) {
        EXPECT_TRUE(std::binary_search(paths.begin(), paths.end(), command["path"].GetString()))
            << command["path"].GetString();
    }
    EXPECT_EQ(paths.size(), common["commands"].Size() + daemon["commands"].Size());

    for (const auto* file : {&daemon, &common}) {
        for (const auto& entry : (*file)["commands"].GetArray()) {
            auto got = CallNow(commands, "get", Params({{"path", entry["path"].GetString()}}));
            ASSERT_FALSE(got.IsError()) << entry["path"].GetString();
            EXPECT_EQ(*got.Output(), *Protocol::Json::DirectJsonCodec::FromJson(entry).value);
        }
    }
    ExpectMetadataNotFound(CallNow(commands, "get", Params({{"path", "hub.tasks.explode"}})),
                           "No command hub.tasks.explode in the command-line metadata.");

    auto fingerprint = CallNow(commands, "fingerprint");
    ASSERT_FALSE(fingerprint.IsError());
    EXPECT_EQ(*fingerprint.Output(), *Data::StringValue::Create(loaded.cli->CommandsFingerprint()));

    auto namespacePaths = StringsOf(CallNow(namespaces, "list").Output());
    EXPECT_EQ(namespacePaths.size(), common["namespaces"].Size() + daemon["namespaces"].Size());
    const auto& ns = common["namespaces"][0];
    auto gotNamespace = CallNow(namespaces, "get", Params({{"path", ns["path"].GetString()}}));
    ASSERT_FALSE(gotNamespace.IsError());
    EXPECT_EQ(*gotNamespace.Output(), *Protocol::Json::DirectJsonCodec::FromJson(ns).value);
    ExpectMetadataNotFound(CallNow(namespaces, "get", Params({{"path", "hub"}})),
                           "No namespace hub in the command-line metadata.");
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
    ExpectMetadataNotFound(CallNow(components, "get", Params({{"component_id", "other"}})),
                           "No metadata component other.");
    ExpectMetadataNotFound(CallNow(components, "fingerprint", Params({{"component_id", "other"}})),
                           "No metadata component other.");

    auto daemon = ReadJson(GeneratedMetadata("hostprefd_lumo_metamodel.json"));
    auto serviceIds = StringsOf(CallNow(services, "list").Output());
    EXPECT_EQ(serviceIds.size(), common["services"].Size() + daemon["services"].Size());
    for (const auto* file : {&daemon, &common}) {
        for (const auto& service : (*file)["services"].GetArray()) {
            auto got = CallNow(services, "get", Params({{"service_id", service["id"].GetString()}}));
            ASSERT_FALSE(got.IsError()) << service["id"].GetString();
            EXPECT_EQ(*got.Output(), *Protocol::Json::DirectJsonCodec::FromJson(service).value);
        }
    }
    ExpectMetadataNotFound(CallNow(services, "get", Params({{"service_id", "com.orvane.none"}})),
                           "No metadata for service com.orvane.none.");

    auto authnJson = ReadJson(GeneratedMetadata("hostprefd_lumo_authentication.json"));
    EXPECT_EQ(StringsOf(CallNow(authnServices, "list").Output()), SortedMembers(authnJson["services"], "id"));
    const auto& authnEntry = authnJson["services"][0];
    auto gotAuthn = CallNow(authnServices, "get", Params({{"service_id", authnEntry["id"].GetString()}}));
    ASSERT_FALSE(gotAuthn.IsError());
    EXPECT_EQ(*gotAuthn.Output(), *Protocol::Json::DirectJsonCodec::FromJson(authnEntry).value);
    ExpectMetadataNotFound(CallNow(authnServices, "get", Params({{"service_id", "com.orvane.none"}})),
                           "No metadata for service com.orvane.none.");
}

}  // namespace
}  // namespace Lumo::Provider::Metadata
