// The configuration store and the comparison of configuration trees, below the services: what
// a change that cannot be made leaves behind, and which differences count.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>

#include "platform/host/configmanager/CMErrorCodes.hpp"
#include "platform/host/configmanager/ConfigStore.hpp"
#include "platform/host/configmanager/ConfigStoreDocument.hpp"
#include "platform/host/configmanager/ConfigStoreException.hpp"
#include "platform/host/configmanager/SettingDiff.hpp"
#include "support/TempDir.hpp"

namespace {

using TarnConfigStore::ConfigStore;
using TarnConfigStore::ConfigStoreException;

rapidjson::Document Tree(const char* json)
{
    rapidjson::Document tree;
    tree.Parse(json);
    return tree;
}

int CodeOf(const std::function<void()>& action)
{
    try {
        action();
    } catch (const ConfigStoreException& error) {
        return error.GetErrorCode();
    }
    return 0;
}

TEST(ConfigStoreTest, AChangeThatCannotBeMadeLeavesTheStoreAsItWas)
{
    TestSupport::EmptyHostRoot root;
    EXPECT_EQ(ConfigStore::Read().generation, 0u) << "no store yet is an empty one";
    EXPECT_EQ(ConfigStore::Replace(Tree(R"({"time": {"ntp": {"enabled": true}}})"), 0), 1u);
    const std::string first = root.Read(ConfigStore::kStorePath);

    // Another change got in since generation 0 was read.
    EXPECT_EQ(CodeOf([] { ConfigStore::Replace(Tree("{}"), 0); }), TarnConfigManager::kImpactInvalid);
    // The new content cannot be written beside the store: nothing changes, nothing is left over.
    const std::string temporary = root.File(ConfigStore::kStorePath) + ".tmp." + std::to_string(getpid());
    std::filesystem::create_directory(temporary);
    EXPECT_EQ(CodeOf([] { ConfigStore::Replace(Tree("{}"), 1); }), TarnConfigManager::kStoreWriteError);
    std::filesystem::remove(temporary);
    EXPECT_EQ(root.Read(ConfigStore::kStorePath), first);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(root.File("/etc/orvane/configstore")),
                            std::filesystem::directory_iterator()),
              1);

    root.Write(ConfigStore::kStorePath, R"({"generation": 2, "config": [])");
    EXPECT_EQ(CodeOf([] { ConfigStore::Read(); }), TarnConfigManager::kDbConnectError);
}

TEST(SettingDiffTest, WithoutStrictAKeyAtItsDefaultOnOneSideIsNoDifference)
{
    TestSupport::TempDir schemas;
    schemas.Write("/ntp.json", R"({"x-component": "time", "properties": {"ntp": {"properties": {
        "enabled": {"type": "boolean", "default": false},
        "servers": {"type": "array"}}}}})");
    const auto store = TarnSchemaStore::SchemaStore::LoadFrom(schemas.Path().string());
    const rapidjson::Document host = Tree(R"({"time": {"ntp": {"servers": ["a"]}}})");
    const rapidjson::Document desired = Tree(R"({"time": {"ntp": {"enabled": false, "servers": ["b"]}}})");

    auto describe = [](const std::vector<TarnConfigManager::SettingChange>& changes) {
        std::vector<std::string> out;
        for (const auto& change : changes)
            out.push_back(std::to_string(static_cast<int>(change.kind)) + change.Path());
        return out;
    };
    using Diff = TarnConfigManager::SettingDiff;
    EXPECT_EQ(describe(Diff::Between(host, desired, *store, false)),
              std::vector<std::string>{"2/time/ntp/servers"});
    EXPECT_EQ(describe(Diff::Between(host, desired, *store, true)),
              (std::vector<std::string>{"0/time/ntp/enabled", "2/time/ntp/servers"}));
    EXPECT_EQ(describe(Diff::Between(desired, host, *store, true)),
              (std::vector<std::string>{"1/time/ntp/enabled", "2/time/ntp/servers"}));
}

}  // namespace

// A desired document is refused, not misread, when one object names a member twice (readers
// that take the first or the last would see different settings) or when it nests deeper
// than any configuration does (however deep: the reader must not run out of stack).
TEST(ConfigStoreDocumentTest, RepeatedNamesAndDeepNestingAreRefused)
{
    const std::string repeated =
        R"({"profile": {"syslog": {"remote": {"host": "logs.example.com", "host": 1515}}}})";
    const std::string deep = R"({"profile": {"c": {"g": {"k": )" + std::string(200000, '[') +
                             std::string(200000, ']') + "}}}}";
    for (const std::string& text : {repeated, deep}) {
        EXPECT_EQ(CodeOf([&] { ConfigStoreDocument::CreateDocument(text); }), TarnConfigManager::kParseError);
    }
    const std::string fine = R"({"profile": {"syslog": {"remote": {"host": "a", "port": 514}}}, "id": "x"})";
    EXPECT_EQ(CodeOf([&] { ConfigStoreDocument::CreateDocument(fine); }), 0);
}
