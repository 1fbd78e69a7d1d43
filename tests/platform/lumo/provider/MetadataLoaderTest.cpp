// Loading metadata files: broken files and repeated components or entries are refused with
// the file and the fault named, and leave the container unchanged; fingerprints follow the
// content. (The generated files are loaded by MetadataServicesTest.)
#include <gmock/gmock.h>

#include "platform/lumo/LumoTestSupport.hpp"
#include "platform/lumo/provider/ProviderHelper.hpp"

namespace Lumo::Provider::Metadata {
namespace {

using namespace LumoTestSupport;
using ::testing::HasSubstr;
using ::testing::StartsWith;

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

// One container of each kind, loading component "a" unless told otherwise.
struct Containers {
    Cli::MetadataContainer cli;
    Metamodel::MetadataContainer metamodel;
    Authentication::MetadataContainer authn;

    Data::ErrorValuePtr Load(char kind, const std::string& path, const std::string& component = "a")
    {
        if (kind == 'c') return ProviderHelper::LoadCliMetadataFile(component, path, cli);
        if (kind == 'm') return ProviderHelper::LoadMetamodelMetadataFile(component, path, metamodel);
        return ProviderHelper::LoadAuthnMetadataFile(component, path, authn);
    }
};

TEST(MetadataLoaderTest, BrokenFilesAreRefusedWithTheFileAndTheFaultNamed)
{
    const std::string invalid = "com.orvane.lumo.std.errors.invalid_argument: ";
    const std::string inaccessible = "com.orvane.lumo.std.errors.resource_inaccessible: ";
    const struct {
        char kind;  // 'c'ommand line, 'm'etamodel, 'a'uthentication
        std::string content;  // "<none>" leaves no file, "<dir>" makes a directory
        std::string error, fault;
    } cases[] = {
        {'c', "<none>", inaccessible, "no such file"},
        {'c', "<dir>", inaccessible, "not a regular file"},
        {'c', R"({"component": "a", "namespaces": [)", invalid, "not valid JSON"},
        {'c', "[]", invalid, "not a JSON object"},
        {'c', R"({"component": "b", "namespaces": [], "commands": []})", invalid,
         "describes component 'b', expected 'a'"},
        {'c', R"({"component": "a", "namespaces": []})", invalid, "member 'commands' is missing"},
        {'c', R"({"component": "a", "namespaces": [], "commands": [1]})", invalid, "'commands[0]' is not an object"},
        {'c', R"({"component": "a", "namespaces": [], "commands": [{"path": "x.y", "operation": "y"}]})", invalid,
         "member 'commands[0].service' is missing"},
        {'c', R"({"component": "a", "namespaces": [{"path": "x"}, {"path": "x"}], "commands": []})", invalid,
         "namespaces path 'x' appears more than once"},
        {'c', R"({"component": "a", "namespaces": [{"path": "x", "path": "y"}], "commands": []})", invalid,
         "member /namespaces/0/path appears more than once"},
        {'m', R"({"component": "a", "services": [{"id": "s", "operations": [{"id": "get"}, {"id": "get"}]}]})",
         invalid, "operations id 'get' appears more than once"},
        {'m', R"({"component": "a", "services": [{"id": "", "operations": []}]})", invalid,
         "member 'services[0].id' is not a non-empty string"},
        {'a', R"({"component": "a", "schemes": [{"id": "user_pass", "kind": "user_pass"}],
                  "services": [{"id": "s", "schemes": ["token"]}]})",
         invalid, "service 's' names the undeclared scheme 'token'"},
        {'a', R"({"component": "a", "schemes": [], "services": [], "authorization": {"anonymous": "s"}})", invalid,
         "member 'authorization.anonymous' is not an array"},
    };
    for (const auto& broken : cases) {
        SCOPED_TRACE(broken.content);
        TempDir dir;
        std::string path = dir.File("broken.json");
        if (broken.content == "<dir>") {
            std::filesystem::create_directory(path);
        } else if (broken.content != "<none>") {
            dir.Write("broken.json", broken.content);
        }
        Containers containers;
        std::string error = ErrorText(containers.Load(broken.kind, path));
        EXPECT_THAT(error, AllOf(StartsWith(broken.error), HasSubstr(path), HasSubstr(broken.fault)));
        EXPECT_TRUE(containers.cli.ComponentNames().empty() && containers.metamodel.ComponentNames().empty() &&
                    containers.authn.ComponentNames().empty());
    }
}

TEST(MetadataLoaderTest, AComponentOrEntryLoadedTwiceIsRefusedAndNothingOfTheSecondFileIsKept)
{
    TempDir dir;
    const std::string exists = "com.orvane.lumo.std.errors.already_exists: ";
    const std::string first = Written(dir, "a.json", kCliFile);
    Containers loaded;
    ASSERT_EQ(loaded.Load('c', first), nullptr);
    EXPECT_THAT(ErrorText(loaded.Load('c', first)),
                AllOf(StartsWith(exists), HasSubstr("component 'a' is already loaded from " + first)));

    // Component b brings a new namespace and a command that a already defines.
    const std::string second = Written(dir, "b.json", R"({"component": "b", "namespaces": [{"path": "hub.other"}],
      "commands": [{"path": "hub.tasks.get", "service": "s", "operation": "get"}]})");
    EXPECT_THAT(ErrorText(loaded.Load('c', second, "b")),
                AllOf(StartsWith(exists), HasSubstr("command 'hub.tasks.get' is already defined by component 'a'")));
    EXPECT_EQ(loaded.cli.ComponentNames(), std::vector<std::string>{"a"});
    EXPECT_EQ(loaded.cli.NamespacePaths(), std::vector<std::string>{"hub.tasks"});

    ASSERT_EQ(loaded.Load('m', Written(dir, "m.json", kMetamodelFile)), nullptr);
    const std::string otherService = Written(
        dir, "mb.json", R"({"component": "b", "services": [{"id": "com.orvane.hub.tasks", "operations": []}]})");
    EXPECT_THAT(ErrorText(loaded.Load('m', otherService, "b")), StartsWith(exists));
    EXPECT_EQ(loaded.metamodel.ComponentNames(), std::vector<std::string>{"a"});

    ASSERT_EQ(loaded.Load('a', Written(dir, "au.json", kAuthnFile)), nullptr);
    EXPECT_THAT(ErrorText(loaded.Load('a', dir.File("au.json"))), StartsWith(exists));
}

TEST(MetadataLoaderTest, FingerprintsFollowTheContentNotTheLayout)
{
    TempDir dir;
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
        ASSERT_EQ(ProviderHelper::LoadMetamodelMetadataFile("a", Written(dir, "a.json", text), metamodel), nullptr);
        ASSERT_TRUE(metamodel.ComponentFingerprint("a"));
        EXPECT_FALSE(metamodel.ComponentFingerprint("b"));
        fingerprints.push_back(*metamodel.ComponentFingerprint("a"));
    }
    EXPECT_EQ(fingerprints[0].size(), 16u);
    EXPECT_EQ(fingerprints[0], fingerprints[1]);
    EXPECT_NE(fingerprints[0], fingerprints[2]);

    Containers loaded;
    std::string none = loaded.cli.CommandsFingerprint();
    ASSERT_EQ(loaded.Load('c', Written(dir, "cli.json", kCliFile)), nullptr);
    std::string one = loaded.cli.CommandsFingerprint();
    EXPECT_NE(one, none);
    const char* namespaceOnly = R"({"component": "n", "namespaces": [{"path": "x"}], "commands": []})";
    ASSERT_EQ(loaded.Load('c', Written(dir, "ns.json", namespaceOnly), "n"), nullptr);
    EXPECT_EQ(loaded.cli.CommandsFingerprint(), one) << "a namespace is not a command";
}

}  // namespace
}  // namespace Lumo::Provider::Metadata
