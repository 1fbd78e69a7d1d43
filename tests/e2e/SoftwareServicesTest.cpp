// The software services inside the real daemon on a temporary host root, with the stand-in host
// tools of the fixture doing the work: the answers, the command lines the daemon logged and the
// tools received, the task records the tools wrote, and the host state left behind.
#include <gtest/gtest.h>
#include <rapidjson/stringbuffer.h>
#include <rapidjson/writer.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <functional>
#include <sstream>
#include <string>
#include <vector>

#include "support/DaemonTest.hpp"

using TestSupport::JsonString;
using TestSupport::RpcAnswer;

namespace {

constexpr const char* kTaskPrefix =
    "/usr/bin/python ++group=hostprefd-task-forks,mem=groupMax,stats "
    "/usr/lib/orvane/lifecycle/bin/imagemanagerctl.py ";
constexpr const char* kToolArgv = "/usr/bin/python /usr/lib/orvane/lifecycle/bin/imagemanagerctl.py ";
constexpr const char* kDepot = "file:///srv/depots/main";
constexpr const char* kCallLog = "/var/log/orvane/hosttools/calls.jsonl";
constexpr const char* kTaskClaimFile = "/var/orvane/lifecycle/lifecycle.task";

// What a client saw of a task while following it to its end.
struct TaskTrace {
    std::vector<int> runningProgress;  // distinct progress values seen while RUNNING, in order
    rapidjson::Document final;         // the info once SUCCEEDED or FAILED (direct form)

    std::string Status() const { return final.IsObject() ? final["status"].GetString() : "(none)"; }
    std::string Text() const
    {
        rapidjson::StringBuffer text;
        rapidjson::Writer<rapidjson::StringBuffer> writer(text);
        final.Accept(writer);
        return text.GetString();
    }
};

class SoftwareServicesTest : public TestSupport::DaemonTest {
protected:
    // Calls `method` as an authenticated client (a fresh one-time ticket); direct-form answer.
    RpcAnswer Call(const std::string& method, const std::string& params = "{}")
    {
        return rpc_.CallWithTicket(method, params);
    }

    // The command lines the tools recorded, as the host names the words, oldest first.
    std::vector<std::string> ToolCalls() const
    {
        std::vector<std::string> calls;
        std::istringstream lines(root_.ReadFile(kCallLog));
        for (std::string line; std::getline(lines, line);) {
            rapidjson::Document entry;
            entry.Parse(line.c_str());
            std::string words;
            for (const auto& word : entry["argv"].GetArray())
                words += (words.empty() ? "" : " ") + std::string(word.GetString());
            calls.push_back(words);
        }
        return calls;
    }

    TaskTrace FollowTask(const std::string& id)
    {
        TaskTrace trace;
        trace.final = rpc_.WaitTask(id, std::chrono::seconds(60), &trace.runningProgress);
        return trace;
    }
};

std::string ApplyParams(const std::string& components, const std::string& base = "8.0.2")
{
    return R"({"spec":{"base_image":{"version":")" + base + R"("},"components":)" + components +
           R"(},"depots":[")" + kDepot + R"("]})";
}

TEST_F(SoftwareServicesTest, ApplyAnswersATaskThatTheToolCarriesOutReportsAndReleases)
{
    root_.WriteFile("/etc/orvane/hosttools.json", R"({"step_seconds": 0.15})");
    Start();
    RpcAnswer apply = Call("com.orvane.tarn.hostpref_daemon.software.apply",
                           ApplyParams(R"({"net-driver":"1.1","storage-plugin":"2.3"})"));
    ASSERT_EQ(apply.errorName, "") << apply.raw;
    const std::string id = apply.Result().GetString();
    const std::string spec = "/var/orvane/lifecycle/swspec-" + id;
    EXPECT_TRUE(Logged(std::string("[RunTask]: Executing command: ") + kTaskPrefix +
                       " software --apply --task-id " + id + " --depot " + kDepot + " --software-spec " +
                       spec))
        << daemon_->Stderr();

    const TaskTrace trace = FollowTask(id);
    ASSERT_EQ(trace.Status(), "SUCCEEDED") << trace.Text();
    EXPECT_GE(trace.runningProgress.size(), 3u) << "the client saw the task make progress";
    EXPECT_TRUE(std::is_sorted(trace.runningProgress.begin(), trace.runningProgress.end()));
    const auto& notes = trace.final["notifications"];
    ASSERT_EQ(notes["warnings"].Size(), 1u) << trace.Text();
    EXPECT_STREQ(notes["warnings"][0]["message"]["localized"].GetString(),
                 "The base image 8.0.2 takes effect after a reboot.");
    EXPECT_EQ(notes["info"].Size(), 4u) << "the depot read and three bundles installed: " << trace.Text();
    EXPECT_TRUE(trace.final["result"]["changes"].IsArray());

    // The tool received the command line word for word and left nothing of the claim behind.
    EXPECT_EQ(ToolCalls().back(), std::string(kToolArgv) + "software --apply --task-id " + id + " --depot " +
                                      kDepot + " --software-spec " + spec);
    EXPECT_FALSE(root_.Exists(spec));
    EXPECT_FALSE(root_.Exists(kTaskClaimFile));
    EXPECT_TRUE(root_.Exists("/var/orvane/software/quarns/net-driver-1.1.quarn"));
    EXPECT_FALSE(root_.Exists("/var/orvane/software/quarns/net-driver-1.0.quarn"));

    // The reports show the new image.
    RpcAnswer image = Call("com.orvane.tarn.software.installed_image.get");
    EXPECT_EQ(image.raw.substr(image.raw.find("\"result\"")),
              R"("result":{"base_image_version":"8.0.2","display_version":"8.0 Update 2","add_on":null,)"
              R"("components":{"net-driver":"1.1","storage-plugin":"2.3"},"solutions":{}}})");
    RpcAnswer components = Call("com.orvane.tarn.software.installed_components.list");
    ASSERT_EQ(components.errorName, "") << components.raw;
    EXPECT_STREQ(components.Result()["storage-plugin"]["display_version"].GetString(), "2.3.0");
    EXPECT_EQ(components.Result()["net-driver"]["platforms"].Size(), 2u);

    // A spec that names a version no depot offers fails its task with a message naming it.
    RpcAnswer missing =
        Call("com.orvane.tarn.hostpref_daemon.software.apply", ApplyParams(R"({"net-driver":"9.9"})"));
    ASSERT_EQ(missing.errorName, "") << missing.raw;
    const TaskTrace failed = FollowTask(missing.Result().GetString());
    ASSERT_EQ(failed.Status(), "FAILED") << failed.Text();
    EXPECT_STREQ(failed.final["error"]["messages"][0]["localized"].GetString(),
                 "The depots do not offer component net-driver version 9.9.");
    EXPECT_FALSE(root_.Exists(kTaskClaimFile));
    EXPECT_TRUE(
        Call("com.orvane.tarn.software.installed_image.get").Mentions(R"("base_image_version":"8.0.2")"));
}

TEST_F(SoftwareServicesTest, EveryTaskOperationLaunchesItsCommandLineWordForWord)
{
    root_.WriteFile("/etc/orvane/features",
                    "43 QuickPatchLive enabled\n44 QuickPatchStage enabled\n113 DpuSoftware enabled\n"
                    "116 StagedScan disabled\n");
    root_.WriteFile("/etc/orvane/hosttools.json", R"({"step_seconds": 0})");
    Start();
    RpcAnswer capabilities = Call("com.orvane.tarn.hostpref_daemon.capabilities.get");
    EXPECT_EQ(capabilities.raw.substr(capabilities.raw.find("\"result\"")),
              R"("result":{"software_spec":true,"quick_patch":true,"staged_scan":false,"dpu_software":true,)"
              R"("config_profiles":null}})");

    const std::string spec = R"("spec":{"base_image":{"version":"8.0.2"},"components":{"net-driver":"1.1"}})";
    const std::string depots = R"("depots":["file:///srv/depots/main","http://depot.local/main/index.xml"])";
    const std::string solutions = R"("solutions":{"backup-agent":{"version":"1.0"}})";
    // Each operation, its parameters, and its command line after the tool prefix for task id I.
    const std::string D = " --depot file:///srv/depots/main --depot http://depot.local/main/index.xml";
    const std::string S = " --software-spec /var/orvane/lifecycle/swspec-";
    const std::string daemon = "com.orvane.tarn.hostpref_daemon.";
    struct Operation {
        std::string method, params;
        std::function<std::string(const std::string&)> line;
        const char* outcome;
    };
    const std::vector<Operation> operations = {
        {daemon + "software.scan", "{" + spec + "," + depots + R"(,"quick_patch":true})",
         [&](auto& I) {
             return " software --scan --software-spec /var/run/lifecycle.scan.swspec" + D + " --task-id " +
                    I + " --quick-patch";
         },
         "SUCCEEDED"},
        {daemon + "software.stage", "{" + spec + "," + depots + R"(,"quick_patch":true})",
         [&](auto& I) { return " software --stage --task-id " + I + D + S + I; }, "SUCCEEDED"},
        {daemon + "software.apply", "{" + spec + "," + depots + "}",
         [&](auto& I) { return " software --apply --task-id " + I + D + S + I; }, "SUCCEEDED"},
        {daemon + "components.apply",
         R"({"components":{"storage-plugin":"2.3","net-driver":"1.1"},)" + depots + "}",
         [&](auto& I) {
             return "components --apply --task-id " + I + D +
                    " --component net-driver:1.1 --component storage-plugin:2.3";
         },
         "SUCCEEDED"},
        {daemon + "solutions.apply", "{" + solutions + "," + depots + "}",
         [&](auto& I) { return "solutions --apply --task-id " + I + D + S + I; }, "SUCCEEDED"},
        {daemon + "solutions.remove", R"({"solutions":["zz-absent","backup-agent"]})",
         [&](auto& I) {
             return "solutions --remove --task-id " + I + " --name backup-agent --name zz-absent";
         },
         "FAILED"},
        {"com.orvane.tarn.software.installed_image.extract_depot", R"({"info":{"directory":"/ignored"}})",
         [&](auto& I) { return "depots --extract --task-id " + I; }, "SUCCEEDED"},
    };
    for (const Operation& operation : operations) {
        RpcAnswer answer = Call(operation.method, operation.params);
        ASSERT_EQ(answer.errorName, "") << operation.method << answer.raw;
        const std::string line = operation.line(std::string(answer.Result().GetString()));
        EXPECT_TRUE(Logged("[RunTask]: Executing command: " + std::string(kTaskPrefix) + line)) << line;
        const TaskTrace trace = FollowTask(answer.Result().GetString());
        EXPECT_EQ(trace.Status(), operation.outcome) << trace.Text();
        // The tool gets the words; the software lines' double blank separates no word.
        std::string words = std::string(kToolArgv) + line;
        if (words.find("  ") != std::string::npos) words.erase(words.find("  "), 1);
        EXPECT_EQ(ToolCalls().back(), words);
    }
    RpcAnswer stage = Call(daemon + "solutions.stage", "{" + solutions + "," + depots + "}");
    EXPECT_EQ(stage.errorName, "com.orvane.lumo.std.errors.unsupported");
    EXPECT_TRUE(Logged("[Stage]: This functionality is currently not supported"));
}

TEST_F(SoftwareServicesTest, ASecondLongOperationWaitsForTheFirstToReleaseTheHost)
{
    root_.WriteFile("/etc/orvane/hosttools.json", R"({"step_seconds": 1.2})");
    Start();
    RpcAnswer first =
        Call("com.orvane.tarn.hostpref_daemon.software.apply", ApplyParams(R"({"net-driver":"1.1"})"));
    ASSERT_EQ(first.errorName, "") << first.raw;
    const std::string id = first.Result().GetString();
    // A running tool has read its settings; the ones after it may be quick.
    ASSERT_TRUE(WaitRunning(id));
    root_.WriteFile("/etc/orvane/hosttools.json", R"({"step_seconds": 0.05})");

    const std::string scan =
        R"({"spec":{"base_image":{"version":"8.0.2"},"components":{"net-driver":"1.1"}},)"
        R"("depots":[")" +
        std::string(kDepot) + R"("]})";
    RpcAnswer refused = Call("com.orvane.tarn.hostpref_daemon.software.scan", scan);
    EXPECT_EQ(refused.errorName, "com.orvane.lumo.std.errors.not_allowed_in_current_state") << refused.raw;
    EXPECT_TRUE(refused.Mentions("com.orvane.tarn.task.contention"));
    EXPECT_TRUE(Logged("[_CheckTaskContention]: Task sync file exists and contains 'PRECURSOR: " + id +
                       "', 0 retries left"));
    EXPECT_EQ(root_.ReadFile(kTaskClaimFile), "PRECURSOR: " + id) << "the refusal left the claim alone";

    ASSERT_EQ(FollowTask(id).Status(), "SUCCEEDED");
    RpcAnswer next = Call("com.orvane.tarn.hostpref_daemon.software.scan", scan);
    ASSERT_EQ(next.errorName, "") << next.raw;
    const TaskTrace scanned = FollowTask(next.Result().GetString());
    ASSERT_EQ(scanned.Status(), "SUCCEEDED") << scanned.Text();
    EXPECT_TRUE(scanned.final["result"]["compliant"].GetBool()) << scanned.Text();
    EXPECT_TRUE(root_.ReadFile("/var/run/lifecycle.scan.swspec").find(R"("net-driver":"1.1")") !=
                std::string::npos)
        << "the scan document stays for the tool";
}

TEST_F(SoftwareServicesTest, HostSettingsChangesMapTheToolsReservedExitCodes)
{
    Start();
    struct Case {
        std::string method, params, errorName, mentions;
    };
    const std::string depots = "com.orvane.tarn.host_settings.depots.";
    const std::string components = "com.orvane.tarn.host_settings.software.components.";
    const std::string tarn = "com.orvane.tarn.host_settings.software.tarn.";
    const std::vector<Case> cases = {
        {depots + "create", R"({"spec":{"name":"main","url":"file:///srv/depots/main"}})",
         "com.orvane.lumo.std.errors.already_exists", ""},
        {depots + "create", R"({"spec":{"name":"far","url":"http://depot.invalid/nothing/index.xml"}})",
         "com.orvane.lumo.std.errors.internal_server_error",
         "com.orvane.tarn.host_settings.depot.connect.error"},
        {depots + "create", R"({"spec":{"name":"mirror","url":"http://mirror.local/main/index.xml"}})", "",
         ""},
        {depots + "delete", R"({"name":"../main"})", "com.orvane.lumo.std.errors.not_found",
         "com.orvane.tarn.host_settigns.depot.notfound"},
        {depots + "delete", R"({"name":"mirror"})", "", ""},
        {components + "get", R"({"component":"storage-plugin"})", "com.orvane.lumo.std.errors.not_found", ""},
        {components + "set", R"({"component":"net-driver","version":"9.9"})",
         "com.orvane.lumo.std.errors.invalid_argument", ""},
        {components + "set", R"({"component":"unknown-driver","version":"1.0"})",
         "com.orvane.lumo.std.errors.not_found", ""},
        {components + "set", R"({"component":"storage-plugin","version":"2.3"})", "", ""},
        {components + "set", R"({"component":"net-driver"})", "com.orvane.lumo.std.errors.invalid_argument",
         ""},
        {components + "delete", R"({"component":"nothing"})", "com.orvane.lumo.std.errors.not_found", ""},
        {tarn + "set", R"({"version":"eight"})", "com.orvane.lumo.std.errors.invalid_argument", ""},
        {tarn + "set", R"({"version":"9.9.9"})", "com.orvane.lumo.std.errors.not_found",
         "com.orvane.tarn.host_settings.software.tarn.notfound"},
        {tarn + "set", R"({"version":"8.0.2"})", "", ""},
        {"com.orvane.tarn.host_settings.software.set",
         R"({"spec":{"base_image":{"version":"8.0.2"},"components":{"nowhere":"1;0"}}})",
         "com.orvane.lumo.std.errors.not_found", "com.orvane.tarn.host_settings.software.component.notfound"},
    };
    for (const Case& c : cases) {
        RpcAnswer answer = Call(c.method, c.params);
        EXPECT_EQ(answer.errorName, c.errorName) << c.method << " " << c.params << ": " << answer.raw;
        if (!c.mentions.empty()) {
            EXPECT_TRUE(answer.Mentions(c.mentions)) << answer.raw;
        }
    }
    EXPECT_EQ(Call(depots + "list").Result().Size(), 1u) << "the mirror came and went";
    EXPECT_EQ(Call(components + "get", R"({"component":"storage-plugin"})").Result().GetString(),
              std::string("2.3\n"));
    RpcAnswer spec = Call("com.orvane.tarn.host_settings.software.get");
    EXPECT_TRUE(spec.Mentions(R"("base_image":{"version":"8.0.2"})")) << spec.raw;
    EXPECT_TRUE(Logged(std::string("[RunCommand] About to run command ") + kToolArgv +
                       "components --get storage-plugin"));
    const auto calls = ToolCalls();
    EXPECT_NE(
        std::find(calls.begin(), calls.end(), std::string(kToolArgv) + "components --set net-driver 9.9"),
        calls.end());

    // The installed image unreadable: the tool's exit 145 has a text of its own.
    root_.WriteFile("/var/orvane/software/installed.json", "{");
    RpcAnswer image = Call("com.orvane.tarn.software.installed_image.get");
    EXPECT_EQ(image.errorName, "com.orvane.lumo.std.errors.error");
    EXPECT_TRUE(image.Mentions("An error occurred while extracting image info on the host.")) << image.raw;
}

TEST_F(SoftwareServicesTest, HostileArgumentsAreRefusedBeforeAnyToolRuns)
{
    Start();
    std::vector<std::string> hostile = {"", "   ", "\n", "$(reboot)", "`id`", "a b;rm"};
    for (char c : std::string(";\\*+%$~!\"':&|`\n")) hostile.push_back(std::string("net") + c + "driver");

    // Each builds the parameters of one call with the value where a client puts it.
    struct Target {
        std::string method, errorName, messageId;
        std::function<std::string(const std::string&)> params;
        bool namePairs = false;  // an empty value and "name:version" are well-formed here
    };
    const std::string invalid = "com.orvane.lumo.std.errors.invalid_argument";
    const std::string settings = "com.orvane.tarn.host_settings.";
    const std::vector<Target> targets = {
        {settings + "depots.create", invalid, "com.orvane.tarn.host_settings.depot.name.invalid",
         [](const std::string& v) {
             return R"({"spec":{"name":)" + JsonString(v) + R"(,"url":"file:///srv"}})";
         }},
        {settings + "depots.delete", invalid, "com.orvane.tarn.host_settings.depot.name.invalid",
         [](const std::string& v) { return R"({"name":)" + JsonString(v) + "}"; }},
        {settings + "software.components.get", invalid,
         "com.orvane.tarn.host_settings.software.component.invalid",
         [](const std::string& v) { return R"({"component":)" + JsonString(v) + "}"; }},
        {settings + "software.components.set", invalid,
         "com.orvane.tarn.host_settings.software.component.invalid",
         [](const std::string& v) { return R"({"component":)" + JsonString(v) + R"(,"version":"1.0"})"; }},
        {settings + "software.components.delete", invalid,
         "com.orvane.tarn.host_settings.software.component.invalid",
         [](const std::string& v) { return R"({"component":)" + JsonString(v) + "}"; }},
        {settings + "software.tarn.set", invalid, "com.orvane.tarn.host_settings.software.tarn.invalid",
         [](const std::string& v) { return R"({"version":)" + JsonString(v) + "}"; }},
        {settings + "software.set", invalid, "com.orvane.tarn.host_settings.software.tarn.invalid",
         [](const std::string& v) { return R"({"spec":{"base_image":{"version":)" + JsonString(v) + "}}}"; }},
        {settings + "software.set", invalid, "com.orvane.tarn.host_settings.software.component.invalid",
         [](const std::string& v) { return R"({"spec":{"components":{)" + JsonString(v) + R"(:"1.0"}}})"; }},
        {"com.orvane.tarn.hosts.software.components.get", invalid,
         "com.orvane.tarn.host_settings.software.component.invalid",
         [](const std::string& v) { return R"({"component":)" + JsonString(v) + "}"; }},
        {"com.orvane.tarn.hostpref_daemon.components.apply", invalid, "com.orvane.tarn.lumo.invalidinput",
         [](const std::string& v) {
             return R"({"components":{"net-driver":)" + JsonString(v) + R"(},"depots":["file:///srv"]})";
         },
         true},
        {"com.orvane.tarn.hostpref_daemon.data_processing_unit.tarncli.run_tarncli_cmd",
         "com.orvane.lumo.std.errors.internal_server_error", "com.orvane.tarn.lumo.invalidinput",
         [](const std::string& v) {
             return R"({"spec":{"frontend":"TARNCLI","command":"QUARN_GET","arguments":[{"flag":"-n","value":)" +
                    JsonString(v) + "}]}}";
         },
         true},
    };
    const size_t before = ToolCalls().size();
    for (const Target& target : targets) {
        for (const std::string& value : hostile) {
            if (target.namePairs && (value.empty() || value == "net:driver")) continue;
            RpcAnswer answer = Call(target.method, target.params(value));
            EXPECT_EQ(answer.errorName, target.errorName)
                << target.method << " [" << value << "] " << answer.raw;
            EXPECT_TRUE(answer.Mentions(target.messageId)) << answer.raw;
        }
    }
    // Depot URLs: outside the URL characters (blank, double quote) they are refused; a
    // semicolon, ampersand or dollar sign is a URL character and goes on to the tool.
    for (const char* url : {"file:///srv/depots/main x", "file:///srv/\"main\"", ""}) {
        RpcAnswer answer =
            Call("com.orvane.tarn.hostpref_daemon.software.stage",
                 R"({"spec":{"base_image":{"version":"8.0.2"}},"depots":[)" + JsonString(url) + "]}");
        EXPECT_EQ(answer.errorName, invalid) << url << answer.raw;
        EXPECT_TRUE(answer.Mentions("com.orvane.tarn.lumo.invalidinput"));
    }
    EXPECT_EQ(ToolCalls().size(), before) << "a refused value never reached a tool";
    EXPECT_FALSE(root_.Exists(kTaskClaimFile));

    RpcAnswer passed =
        Call("com.orvane.tarn.hostpref_daemon.software.stage",
             R"({"spec":{"base_image":{"version":"8.0.2"}},"depots":["file:///srv/a;b&c$d"]})");
    ASSERT_EQ(passed.errorName, "") << passed.raw;
    const TaskTrace staged = FollowTask(passed.Result().GetString());
    EXPECT_STREQ(staged.final["error"]["messages"][0]["localized"].GetString(),
                 "The depot file:///srv/a;b&c$d cannot be reached.");
    EXPECT_NE(ToolCalls().back().find(" --depot file:///srv/a;b&c$d --software-spec "), std::string::npos);

    // Values the check lets through reach the tool as one word: an inner blank, a path-like
    // name; one too long for a single argument cannot be started at all.
    EXPECT_EQ(Call(settings + "depots.delete", R"({"name":"../../etc"})").errorName,
              "com.orvane.lumo.std.errors.not_found");
    RpcAnswer huge =
        Call(settings + "software.components.get", R"({"component":")" + std::string(200000, 'x') + "\"}");
    EXPECT_EQ(huge.errorName, "com.orvane.lumo.std.errors.internal_server_error");
    EXPECT_TRUE(huge.Mentions("Argument list too long")) << huge.raw.substr(0, 300);
}

TEST_F(SoftwareServicesTest, HostsApplyHandsItsDocumentsToTheLifeCycleTool)
{
    root_.WriteFile("/etc/orvane/hosttools.json", R"({"step_seconds": 0.05})");
    Start();
    const std::string params = R"({"host":"localhost","configuration":{"ntp":{"servers":["10.0.0.1"]}},)"
                               R"("image":{"components":{"storage-plugin":"2.3"}},)"
                               R"("depots":[{"name":"main","url":"file:///srv/depots/main"}]})";
    RpcAnswer apply = Call("com.orvane.tarn.hosts.settings.apply", params);
    ASSERT_EQ(apply.errorName, "") << apply.raw;
    const std::string id = apply.Result().GetString();
    const std::string dir = "/var/orvane/lifecycle/";
    EXPECT_TRUE(
        Logged("[Set]: Running task: /usr/lib/orvane/lifecycle/bin/lifecyclectl.py "
               "++group=hostprefd-task-forks,mem=groupMax,stats  --apply --task-id " +
               id + " --cleanup-interval 7200 --depot-doc " + dir + "depots-" + id + " --config-doc " + dir +
               "config-" + id + " --image-doc " + dir + "image-" + id))
        << daemon_->Stderr();
    const TaskTrace trace = FollowTask(id);
    ASSERT_EQ(trace.Status(), "SUCCEEDED") << trace.Text();
    EXPECT_TRUE(root_.ReadFile("/var/orvane/software/config.json").find("10.0.0.1") != std::string::npos);
    EXPECT_TRUE(Call("com.orvane.tarn.software.installed_image.get").Mentions(R"("storage-plugin":"2.3")"));
    for (const std::string& left :
         {std::string("lifecycle.apply.pid"), "depots-" + id, "config-" + id, "image-" + id}) {
        EXPECT_FALSE(root_.Exists(dir + left)) << left;
    }

    // While another apply holds the pid file: refused, and its own documents are gone again.
    root_.WriteFile(dir + "lifecycle.apply.pid", "PRECURSOR: someone-else");
    RpcAnswer busy = Call("com.orvane.tarn.hosts.settings.apply", R"({"configuration":{"a":1}})");
    EXPECT_EQ(busy.errorName, "com.orvane.lumo.std.errors.internal_server_error");
    EXPECT_TRUE(busy.Mentions("com.orvane.tarn.lifecycle.task.contention")) << busy.raw;
    EXPECT_TRUE(Logged("[Set]: Another apply task possibly in progress."));
    EXPECT_EQ(root_.ReadFile(dir + "lifecycle.apply.pid"), "PRECURSOR: someone-else");
    for (const auto& entry : std::filesystem::directory_iterator(root_.Path(dir))) {
        EXPECT_FALSE(entry.path().filename().string().starts_with("config-")) << entry.path();
    }
    EXPECT_TRUE(Call("com.orvane.tarn.hosts.settings.apply", R"({"image":{}})")
                    .Mentions("com.orvane.tarn.apply.invalid.depots"));
    EXPECT_TRUE(
        Call("com.orvane.tarn.hosts.settings.apply", "{}").Mentions("com.orvane.tarn.apply.no.input"));

    // The data-processing-unit menu (TarncliServiceTest has its command lines): the front end's
    // XML and its failure text.
    RpcAnswer quarns = Call("com.orvane.tarn.hostpref_daemon.data_processing_unit.tarncli.run_tarncli_cmd",
                            R"({"spec":{"frontend":"LOCALCLI","command":"QUARN_LIST","arguments":[]}})");
    ASSERT_EQ(quarns.errorName, "") << quarns.raw;
    EXPECT_TRUE(quarns.Mentions("legacy-tools")) << quarns.raw;
    RpcAnswer verify = Call(
        "com.orvane.tarn.hostpref_daemon.data_processing_unit.tarncli.run_tarncli_cmd",
        R"({"spec":{"frontend":"LOCALCLI_INTERNAL","command":"COMPONENT_SIGNATURE_VERIFY","depots":["http://depot.local/main/index.xml"],)"
        R"("arguments":[{"flag":"-n","value":"storage-plugin:2.3"},{"flag":"--verbose","value":""}]}})");
    ASSERT_EQ(verify.errorName, "") << verify.raw;
    EXPECT_TRUE(verify.Mentions(R"(<field name=\"Verified\"><boolean>true</boolean>)")) << verify.raw;
    RpcAnswer failed = Call(
        "com.orvane.tarn.hostpref_daemon.data_processing_unit.tarncli.run_tarncli_cmd",
        R"({"spec":{"frontend":"TARNCLI","command":"QUARN_GET","arguments":[{"flag":"-n","value":"absent"}]}})");
    EXPECT_TRUE(
        failed.Mentions("Error: com.orvane.tarn.software.tool.error: quarn absent is not installed\\n. "
                        "ErrorCode: Operation not permitted"))
        << failed.raw;
}

TEST_F(SoftwareServicesTest, ToolsThatFailToStartDieOrFloodAreReportedAndTheDaemonCarriesOn)
{
    Start();
    // An interpreter that cannot be executed: queries report the start failure, launches are
    // tried three times and then reported, and the claim on the host is released.
    const std::string python = root_.ReadFile("/usr/bin/python");
    WriteExecutable("/usr/bin/python", "#!/nonexistent/interpreter\n");
    RpcAnswer list = Call("com.orvane.tarn.host_settings.depots.list");
    EXPECT_EQ(list.errorName, "com.orvane.lumo.std.errors.internal_server_error");
    EXPECT_TRUE(list.Mentions("The host command failed: No such file or directory")) << list.raw;
    RpcAnswer extract = Call("com.orvane.tarn.software.installed_image.extract_depot", R"({"info":{}})");
    EXPECT_EQ(extract.errorName, "com.orvane.lumo.std.errors.internal_server_error");
    EXPECT_TRUE(extract.Mentions("com.orvane.tarn.task.exec.error")) << extract.raw;
    for (int left : {2, 1, 0}) {
        EXPECT_TRUE(daemon_->Stderr().find("TolkCtl_Daemon() returned 2, " + std::to_string(left) +
                                           " retries left") != std::string::npos)
            << left;
    }
    EXPECT_FALSE(root_.Exists(kTaskClaimFile));
    WriteExecutable("/usr/bin/python", python);

    // A tool killed by a signal: the raw wait status is the code.
    const std::string tool = "/usr/lib/orvane/lifecycle/bin/imagemanagerctl.py";
    WriteExecutable(tool, "#!/usr/bin/python3\nimport os, signal\nos.kill(os.getpid(), signal.SIGKILL)\n");
    RpcAnswer killed = Call("com.orvane.tarn.software.installed_components.list");
    EXPECT_TRUE(killed.Mentions("The host command failed: 9")) << killed.raw;

    // A tool that prints 10 MB: read whole, decoded, answered; the daemon serves on.
    WriteExecutable(tool, "#!/usr/bin/python3\nimport sys\nsys.stdout.write(' ' * (10 << 20) + '[]')\n");
    RpcAnswer flood = Call("com.orvane.tarn.host_settings.depots.list");
    EXPECT_EQ(flood.errorName, "") << flood.raw.substr(0, 300);
    EXPECT_TRUE(flood.Result().IsArray() && flood.Result().Empty());
    EXPECT_EQ(Call("com.orvane.tarn.hostpref_daemon.capabilities.get").errorName, "");
}

}  // namespace
