// Loading metadata files: broken files and repeated components or entries are refused with
// the file and the fault named, and leave the container unchanged; fingerprints follow the
// content. (The generated files are loaded by MetadataServicesTest.)
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/lumo/provider/ProviderHelper.hpp"
#include "platform/lumo/provider/ProviderTestSupport.hpp"

namespace Lumo::Provider::Metadata {
namespace {

using namespace ProviderTestSupport;

const char* const kCliFile = R"({"component": "a",
  "namespaces": [{"path": "hub.tasks", "description": "Tasks"}],
  "commands": [{"path": "hub.tasks.get", "service": "com.orvane.hub.tasks", "operation": "get",
                "options": [{"name": "task", "field": "task", "type": "string", "required": true}]}]})";

const char* const kMetamodelFile = R"({"component": "a",
  "services": [{"id": "com.orvane.hub.tasks", "operations": [{"id": "get", "params": []}, {"id": "list"}]}],
  "structures": [{"id": "com.orvane.hub.task.info", "fields": []}],
  "enumerations": [{"id": "com.orvane.hub.task.status", "values": ["PENDING"]}]})";

const char* const kAuthnFile = R"({"component": "a",
  "schemes": [{"id": "user_pass", "kind": "user_pass"}],
  "services": [{"id": "com.orvane.hub.tasks", "schemes": ["user_pass"]}],
  "authorization": {"anonymous": ["com.orvane.lumo.std.introspection.provider"]}})";

enum class Loader { kCli, kMetamodel, kAuthn };

struct BrokenFile {
    Loader loader;
    const char* label;
    std::string content;  // written to the file; "<none>" leaves no file, "<dir>" makes a directory
    std::string errorName;
    std::string fault;  // expected in the message text
};

TEST(MetadataLoaderTest, BrokenFilesAreRefusedWithTheFileAndTheFaultNamed)
{
    const std::string invalid = "com.orvane.lumo.std.errors.invalid_argument";
    const std::string inaccessible = "com.orvane.lumo.std.errors.resource_inaccessible";
    const std::vector<BrokenFile> cases = {
        {Loader::kCli, "missing", "<none>", inaccessible, "no such file"},
        {Loader::kCli, "directory", "<dir>", inaccessible, "not a regular file"},
        {Loader::kCli, "empty", "", invalid, "not valid JSON"},
        {Loader::kCli, "truncated", R"({"component": "a", "namespaces": [)", invalid, "not valid JSON"},
        {Loader::kCli, "array root", "[]", invalid, "not a JSON object"},
        {Loader::kCli, "other component", R"({"component": "b", "namespaces": [], "commands": []})", invalid,
         "describes component 'b', expected 'a'"},
        {Loader::kCli, "no commands", R"({"component": "a", "namespaces": []})", invalid,
         "member 'commands' is missing"},
        {Loader::kCli, "namespaces not a list", R"({"component": "a", "namespaces": {}, "commands": []})", invalid,
         "member 'namespaces' is not an array"},
        {Loader::kCli, "command not an object", R"({"component": "a", "namespaces": [], "commands": [1]})", invalid,
         "'commands[0]' is not an object"},
        {Loader::kCli, "command without service",
         R"({"component": "a", "namespaces": [], "commands": [{"path": "x.y", "operation": "y"}]})", invalid,
         "member 'commands[0].service' is missing"},
        {Loader::kCli, "path twice",
         R"({"component": "a", "namespaces": [{"path": "x"}, {"path": "x"}], "commands": []})", invalid,
         "namespaces path 'x' appears more than once"},
        {Loader::kCli, "repeated member", R"({"component": "a", "namespaces": [{"path": "x", "path": "y"}],
         "commands": []})", invalid, "member /namespaces/0/path appears more than once"},
        {Loader::kMetamodel, "operation twice",
         R"({"component": "a", "services": [{"id": "s", "operations": [{"id": "get"}, {"id": "get"}]}]})", invalid,
         "operations id 'get' appears more than once"},
        {Loader::kMetamodel, "service without operations", R"({"component": "a", "services": [{"id": "s"}]})",
         invalid, "member 'services[0].operations' is missing"},
        {Loader::kMetamodel, "empty id", R"({"component": "a", "services": [{"id": "", "operations": []}]})",
         invalid, "member 'services[0].id' is not a non-empty string"},
        {Loader::kAuthn, "undeclared scheme",
         R"({"component": "a", "schemes": [{"id": "user_pass", "kind": "user_pass"}],
             "services": [{"id": "s", "schemes": ["token"]}]})",
         invalid, "service 's' names the undeclared scheme 'token'"},
        {Loader::kAuthn, "anonymous not a list",
         R"({"component": "a", "schemes": [], "services": [], "authorization": {"anonymous": "s"}})", invalid,
         "member 'authorization.anonymous' is not an array"},
    };
    for (const BrokenFile& broken : cases) {
        ScratchDir dir;
        std::string path = dir.PathOf("broken.json");
        if (broken.content == "<dir>") {
            std::filesystem::create_directory(path);
        } else if (broken.content != "<none>") {
            dir.Write("broken.json", broken.content);
        }
        Cli::MetadataContainer cli;
        Metamodel::MetadataContainer metamodel;
        Authentication::MetadataContainer authn;
        Data::ErrorValuePtr error;
        switch (broken.loader) {
            case Loader::kCli:
                error = ProviderHelper::LoadCliMetadataFile("a", path, cli);
                break;
            case Loader::kMetamodel:
                error = ProviderHelper::LoadMetamodelMetadataFile("a", path, metamodel);
                break;
            case Loader::kAuthn:
                error = ProviderHelper::LoadAuthnMetadataFile("a", path, authn);
                break;
        }
        ASSERT_TRUE(error) << broken.label;
        EXPECT_EQ(error->Name(), broken.errorName) << broken.label;
        auto message = FirstMessage(error);
        ASSERT_TRUE(message) << broken.label;
        EXPECT_NE(message->localized.find(path), std::string::npos) << broken.label << ": " << message->localized;
        EXPECT_NE(message->localized.find(broken.fault), std::string::npos)
            << broken.label << ": " << message->localized;
        EXPECT_TRUE(cli.ComponentNames().empty() && metamodel.ComponentNames().empty() &&
                    authn.ComponentNames().empty())
            << broken.label;
    }
}

TEST(MetadataLoaderTest, AComponentOrEntryLoadedTwiceIsRefusedAndNothingOfTheSecondFileIsKept)
{
    ScratchDir dir;
    const std::string first = dir.Write("a.json", kCliFile);
    Cli::MetadataContainer cli;
    ASSERT_EQ(ProviderHelper::LoadCliMetadataFile("a", first, cli), nullptr);

    auto again = ProviderHelper::LoadCliMetadataFile("a", first, cli);
    ASSERT_TRUE(again);
    EXPECT_EQ(again->Name(), "com.orvane.lumo.std.errors.already_exists");
    EXPECT_NE(FirstMessage(again)->localized.find("component 'a' is already loaded from " + first),
              std::string::npos);

    // Component b brings a new namespace and a command that a already defines.
    const std::string second = dir.Write("b.json", R"({"component": "b",
      "namespaces": [{"path": "hub.other"}],
      "commands": [{"path": "hub.tasks.get", "service": "s", "operation": "get"}]})");
    auto clash = ProviderHelper::LoadCliMetadataFile("b", second, cli);
    ASSERT_TRUE(clash);
    EXPECT_EQ(clash->Name(), "com.orvane.lumo.std.errors.already_exists");
    EXPECT_NE(FirstMessage(clash)->localized.find("command 'hub.tasks.get' is already defined by component 'a'"),
              std::string::npos);
    EXPECT_EQ(cli.ComponentNames(), std::vector<std::string>{"a"});
    EXPECT_EQ(cli.NamespacePaths(), std::vector<std::string>{"hub.tasks"});

    Metamodel::MetadataContainer metamodel;
    ASSERT_EQ(ProviderHelper::LoadMetamodelMetadataFile("a", dir.Write("m.json", kMetamodelFile), metamodel), nullptr);
    auto serviceClash = ProviderHelper::LoadMetamodelMetadataFile(
        "b",
        dir.Write("mb.json", R"({"component": "b", "services": [{"id": "com.orvane.hub.tasks", "operations": []}]})"),
        metamodel);
    ASSERT_TRUE(serviceClash);
    EXPECT_EQ(serviceClash->Name(), "com.orvane.lumo.std.errors.already_exists");
    EXPECT_EQ(metamodel.ComponentNames(), std::vector<std::string>{"a"});

    Authentication::MetadataContainer authn;
    ASSERT_EQ(ProviderHelper::LoadAuthnMetadataFile("a", dir.Write("au.json", kAuthnFile), authn), nullptr);
    auto authnAgain = ProviderHelper::LoadAuthnMetadataFile("a", dir.PathOf("au.json"), authn);
    ASSERT_TRUE(authnAgain);
    EXPECT_EQ(authnAgain->Name(), "com.orvane.lumo.std.errors.already_exists");
}

TEST(MetadataLoaderTest, FingerprintsFollowTheContentNotTheLayout)
{
    ScratchDir dir;
    // The same component written twice, with members in another order and other blanks,
    // and once with one value changed.
    const std::string reordered = R"({
        "enumerations": [{"values": ["PENDING"], "id": "com.orvane.hub.task.status"}],
        "structures": [{"fields": [], "id": "com.orvane.hub.task.info"}],
        "component": "a",
        "services": [{"operations": [{"params": [], "id": "get"}, {"id": "list"}], "id": "com.orvane.hub.tasks"}]})";
    std::string changed = kMetamodelFile;
    changed.replace(changed.find("PENDING"), 7, "RUNNING");
    std::vector<std::string> fingerprints;
    for (const std::string& text : {std::string(kMetamodelFile), reordered, changed}) {
        Metamodel::MetadataContainer metamodel;
        ASSERT_EQ(ProviderHelper::LoadMetamodelMetadataFile("a", dir.Write("a.json", text), metamodel), nullptr);
        ASSERT_TRUE(metamodel.ComponentFingerprint("a"));
        EXPECT_FALSE(metamodel.ComponentFingerprint("b"));
        fingerprints.push_back(*metamodel.ComponentFingerprint("a"));
    }
    EXPECT_EQ(fingerprints[0].size(), 16u);
    EXPECT_EQ(fingerprints[0], fingerprints[1]);
    EXPECT_NE(fingerprints[0], fingerprints[2]);

    Cli::MetadataContainer cli;
    std::string none = cli.CommandsFingerprint();
    ASSERT_EQ(ProviderHelper::LoadCliMetadataFile("a", dir.Write("cli.json", kCliFile), cli), nullptr);
    std::string one = cli.CommandsFingerprint();
    EXPECT_NE(one, none);
    ASSERT_EQ(ProviderHelper::LoadCliMetadataFile(
                  "n", dir.Write("ns.json", R"({"component": "n", "namespaces": [{"path": "x"}], "commands": []})"),
                  cli),
              nullptr);
    EXPECT_EQ(cli.CommandsFingerprint(), one) << "a namespace is not a command";
}

}  // namespace
}  // namespace Lumo::Provider::Metadata
