// hostprefctl against the real daemon on a temporary host root: the command tree built
// from the metamodel, the output forms, credentials (tickets and PAM passwords), following
// tasks as plain lines and as a progress bar on a terminal, and the exit statuses.
#include <gtest/gtest.h>
#include <rapidjson/document.h>
#include <sys/wait.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <future>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include "../api/authz/AuditLogReader.hpp"
#include "platform/host/Ticket.hpp"
#include "support/DaemonProcess.hpp"
#include "support/PamWrapper.hpp"
#include "support/ShellCommand.hpp"
#include "support/TempHostRoot.hpp"

using namespace std::chrono_literals;
using TestSupport::DaemonProcess;
using TestSupport::TempHostRoot;

namespace {

struct CtlRun {
    int status = -1;  // exit status
    std::string out;
    std::string err;
};

std::vector<std::string> Lines(const std::string& text)
{
    std::vector<std::string> lines;
    size_t start = 0;
    for (size_t end; (end = text.find('\n', start)) != std::string::npos; start = end + 1)
        lines.push_back(text.substr(start, end - start));
    return lines;
}

class HostprefctlTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        // alice may log in to the daemon's PAM service, as the demo user does.
        pam_ = TestSupport::PamWrapperInstalled();
        const DaemonProcess::Env env = pam_ ? TestSupport::PamWrapperEnv(root_, "alice:wonderland:hostprefd\n")
                                            : DaemonProcess::Env{};
        daemon_ = std::make_unique<DaemonProcess>(root_, env);
        ASSERT_TRUE(daemon_->WaitListening(root_.Port())) << daemon_->Stderr();
    }

    // The command line of a program of the build, run on this root by a caller whose own
    // environment carries no client settings.
    std::string Command(const std::string& program, const std::string& args, const std::string& env = "") const
    {
        return "env -u HOSTPREFCTL_USER -u HOSTPREFCTL_PASSWORD -u HOSTPREFCTL_PORT HOSTPREFD_LOG_STDERR=0 "
               "HOSTPREFD_ROOT=" + TestSupport::ShellQuoted(root_.Dir()) + " " + env + " " + TestSupport::BuildDir() + "/" + program +
               " " + args;
    }

    CtlRun Ctl(const std::string& args, const std::string& env = "") const
    {
        const std::string errFile = root_.Dir() + "/ctl.err." + std::to_string(++runs_);
        auto run = TestSupport::RunShell(Command("hostprefctl", args, env) + " 2>" + errFile);
        CtlRun result{WIFEXITED(run.status) ? WEXITSTATUS(run.status) : -1, run.output, ""};
        std::ifstream err(errFile);
        result.err.assign(std::istreambuf_iterator<char>(err), std::istreambuf_iterator<char>());
        return result;
    }

    void TaskDb(const std::string& args) const
    {
        ASSERT_EQ(TestSupport::RunShell(Command("hostpref-taskdb", args)).status, 0) << args;
    }

    // Runs `args` in the background; the test moves the task on while it waits.
    std::future<CtlRun> CtlInBackground(const std::string& args) const
    {
        return std::async(std::launch::async, [this, args] { return Ctl(args); });
    }

    std::string ReadFile(const std::string& path) const
    {
        std::ifstream in(path, std::ios::binary);
        return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    }

    TempHostRoot root_;
    bool pam_ = false;
    std::unique_ptr<DaemonProcess> daemon_;
    mutable int runs_ = 0;
};

TEST_F(HostprefctlTest, CommandsFromTheApiDefinitionInEveryOutputFormAndExitStatus)
{
    // Introspection needs no credentials, so the client spends no ticket on it.
    CtlRun services = Ctl("lumo std introspection service list");
    ASSERT_EQ(services.status, 0) << services.err;
    const auto ids = Lines(services.out);
    EXPECT_NE(std::find(ids.begin(), ids.end(), "com.orvane.hub.tasks"), ids.end()) << services.out;
    EXPECT_FALSE(root_.Exists(kTicketDirectory));

    CtlRun json = Ctl("lumo std introspection service list --json");
    ASSERT_EQ(json.status, 0) << json.err;
    rapidjson::Document list;
    ASSERT_FALSE(list.Parse(json.out.c_str()).HasParseError()) << json.out;
    ASSERT_TRUE(list.IsArray());
    std::vector<std::string> fromJson;
    for (const auto& id : list.GetArray()) fromJson.emplace_back(id.GetString());
    EXPECT_EQ(fromJson, ids);

    CtlRun raw = Ctl("--raw lumo std introspection operation list --service-id com.orvane.hub.tasks");
    ASSERT_EQ(raw.status, 0) << raw.err;
    EXPECT_EQ(raw.out, "{\"jsonrpc\":\"2.0\",\"id\":1,\"result\":[\"get\",\"list\",\"cancel\"]}\n");

    // Wrong command lines never reach the daemon: the parameters are checked against the
    // declared types, and no task is started.
    const std::string validate = "tarn hostpref_daemon configuration validate --desired-document '{}' ";
    const std::vector<std::pair<std::string, std::string>> usage = {
        {"hub tasks get", "--task is required"},
        {"hub tasks frobnicate --task x", "'frobnicate' is no command of 'hub tasks'; there: get, list, cancel"},
        {validate + "--strict maybe", "--strict: expected true or false, got 'maybe'"},
        {validate + "--cluster-context '{\"cluster_id\":7}'", "--cluster-context.cluster_id: expected a string"},
        {validate + "--cluster-context '{\"cluster_id\":\"c\",\"hosts\":[]}'", "unknown field \"hosts\""},
        {validate + "--cluster-context @/nonexistent.json", "cannot read /nonexistent.json"},
        {"--json --raw tasks list", "excludes --raw"},
    };
    for (const auto& [args, why] : usage) {
        CtlRun run = Ctl(args);
        EXPECT_EQ(run.status, 2) << args << "\n" << run.err;
        EXPECT_NE(run.err.find(why), std::string::npos) << args << "\n" << run.err;
    }

    ASSERT_EQ(daemon_->ExitCodeAfterTerm(6000ms), 0);
    daemon_.reset();
    CtlRun down = Ctl("lumo std introspection service list");
    EXPECT_EQ(down.status, 3);
    EXPECT_EQ(down.err, "hostprefctl: cannot connect to hostprefd on port " + std::to_string(root_.Port()) +
                            ": Connection refused\n");
}

TEST_F(HostprefctlTest, TasksAsTableSummaryAndJsonWithTicketsAndPasswords)
{
    const std::string done = "00000000-0000-4000-8000-00000000000a";
    const std::string failed = "00000000-0000-4000-8000-00000000000b";
    const std::string pending = "00000000-0000-4000-8000-00000000000c";
    TaskDb("create " + done + " --operation com.orvane.demo.count --user alice");
    TaskDb("start " + done + " --progress 5");
    TaskDb("succeed " + done + " '{\"struct:demo.count_result\":{\"counted\":3,\"names\":[\"a\",\"b\"]}}'");
    TaskDb("create " + failed + " --operation com.orvane.demo.fail");
    TaskDb("fail " + failed + " --error-id com.orvane.tarn.task.notfound.error --arg zzz");
    TaskDb("create " + pending + " --operation com.orvane.demo.wait");

    // A root operator's client makes a one-time ticket for every call.
    CtlRun table = Ctl("tasks list --op-id ctl-test-7");
    ASSERT_EQ(table.status, 0) << table.err;
    const auto rows = Lines(table.out);
    ASSERT_EQ(rows.size(), 4u) << table.out;
    EXPECT_EQ(rows[0], "ID" + std::string(36, ' ') + "OPERATION" + std::string(14, ' ') + "STATUS     PROGRESS  STARTED" +
                           std::string(19, ' ') + "ENDED");
    EXPECT_TRUE(rows[1].starts_with(done + "  com.orvane.demo.count  SUCCEEDED  100%      20")) << rows[1];
    EXPECT_TRUE(rows[2].starts_with(failed + "  com.orvane.demo.fail   FAILED     0%        20")) << rows[2];
    EXPECT_EQ(rows[3], pending + "  com.orvane.demo.wait   PENDING    0%        -                         -");
    EXPECT_NE(daemon_->Stderr().find("ctl-test-7"), std::string::npos) << "the operation id is on the daemon's log";

    CtlRun json = Ctl("--json hub tasks list");
    ASSERT_EQ(json.status, 0) << json.err;
    rapidjson::Document tasks;
    ASSERT_FALSE(tasks.Parse(json.out.c_str()).HasParseError()) << json.out;
    ASSERT_EQ(tasks.MemberCount(), 3u);
    EXPECT_STREQ(tasks[done.c_str()]["status"].GetString(), "SUCCEEDED");
    EXPECT_EQ(tasks[done.c_str()]["result"]["counted"].GetInt(), 3);
    EXPECT_STREQ(tasks[failed.c_str()]["error"]["messages"][0]["id"].GetString(), "com.orvane.tarn.task.notfound.error");

    CtlRun summary = Ctl("tasks get " + done);
    ASSERT_EQ(summary.status, 0) << summary.err;
    for (const char* line : {"Status:     SUCCEEDED  100%", "Operation:  com.orvane.demo.count", "User:       alice",
                             "Result:\n  counted: 3\n  names:   a, b\n"})
        EXPECT_NE(summary.out.find(line), std::string::npos) << line << "\n" << summary.out;
    CtlRun failure = Ctl("hub tasks get --task " + failed);
    ASSERT_EQ(failure.status, 0) << failure.err;
    EXPECT_NE(failure.out.find("Error:      Task zzz was not found. (com.orvane.tarn.task.notfound.error)"),
              std::string::npos)
        << failure.out;

    CtlRun missing = Ctl("tasks get no-such-task");
    EXPECT_EQ(missing.status, 1);
    EXPECT_EQ(missing.out, "");
    EXPECT_EQ(missing.err,
              "hostprefctl: com.orvane.lumo.std.errors.not_found: Task no-such-task was not found. "
              "(com.orvane.tarn.task.notfound.error)\n");

    // Each of the five calls spent its own ticket; none is left behind.
    EXPECT_TRUE(std::filesystem::is_empty(root_.Path(kTicketDirectory)));
    const auto audit = AuditTest::ReadAuditLog(root_.Dir());
    EXPECT_EQ(std::count_if(audit.begin(), audit.end(),
                            [](const auto& record) { return record.event == "service.lcticket.use" && record.success; }),
              5);

    if (!pam_) GTEST_SKIP() << "pam_wrapper is not installed (Debian package libpam-wrapper)";
    CtlRun alice = Ctl("--user alice tasks list", "HOSTPREFCTL_PASSWORD=wonderland");
    EXPECT_EQ(alice.status, 0) << alice.err;
    EXPECT_EQ(alice.out, table.out);
    CtlRun wrong = Ctl("tasks list", "HOSTPREFCTL_USER=alice HOSTPREFCTL_PASSWORD=wonderlanD");
    EXPECT_EQ(wrong.status, 1);
    EXPECT_EQ(Lines(wrong.err),
              (std::vector<std::string>{"hostprefctl: com.orvane.lumo.std.errors.unauthenticated: Invalid user name "
                                        "or password. (com.orvane.tarn.authn.userpass.invalid)",
                                        "hostprefctl: check the user name and password of alice"}));
    // Without a terminal and without HOSTPREFCTL_PASSWORD there is no password to send.
    CtlRun noPassword = Ctl("--user alice tasks list < /dev/null");
    EXPECT_EQ(noPassword.status, 2) << noPassword.err;
}

TEST_F(HostprefctlTest, WaitFollowsATaskInPlainLinesToItsOutcome)
{
    const std::string id = "00000000-0000-4000-8000-0000000000d1";
    TaskDb("create " + id + " --operation com.orvane.demo.count");
    auto waiting = CtlInBackground("tasks wait " + id + " --poll-interval 0.05");
    const std::string errFile = root_.Dir() + "/ctl.err.1";
    auto shows = [&](const std::string& text) {
        return DaemonProcess::WaitFor([&] { return ReadFile(errFile).find(text) != std::string::npos; }, 10s);
    };
    // Each state is seen before the next is written, so every one must appear once.
    ASSERT_TRUE(shows("PENDING 0%")) << ReadFile(errFile);
    TaskDb("start " + id + " --progress 5");
    ASSERT_TRUE(shows("RUNNING 5%")) << ReadFile(errFile);
    TaskDb("progress " + id + " 40");
    ASSERT_TRUE(shows("RUNNING 40%")) << ReadFile(errFile);
    TaskDb("succeed " + id + " '[\"a\",\"b\"]'");
    const CtlRun done = waiting.get();
    EXPECT_EQ(done.status, 0) << done.err;
    const std::string prefix = "task " + id + ": ";
    EXPECT_EQ(Lines(done.err), (std::vector<std::string>{prefix + "PENDING 0% Task progress",
                                                          prefix + "RUNNING 5% Task progress",
                                                          prefix + "RUNNING 40% Task progress",
                                                          prefix + "SUCCEEDED 100% Task progress"}));
    EXPECT_NE(done.out.find("Status:     SUCCEEDED  100%"), std::string::npos) << done.out;
    EXPECT_NE(done.out.find("Result:     a, b\n"), std::string::npos) << done.out;

    // A task that fails ends the wait with exit status 1 and the task's error.
    const std::string failing = "00000000-0000-4000-8000-0000000000d2";
    TaskDb("create " + failing + " --operation com.orvane.demo.fail");
    auto failingWait = CtlInBackground("--json tasks wait " + failing + " --poll-interval 0.05");
    TaskDb("fail " + failing + " --error-id com.orvane.tarn.task.notfound.error --arg zzz");
    const CtlRun failed = failingWait.get();
    EXPECT_EQ(failed.status, 1);
    rapidjson::Document info;
    ASSERT_FALSE(info.Parse(failed.out.c_str()).HasParseError()) << failed.out;
    EXPECT_STREQ(info["status"].GetString(), "FAILED");
    EXPECT_EQ(Lines(failed.err).back(), "hostprefctl: task " + failing +
                                            " failed: Task zzz was not found. (com.orvane.tarn.task.notfound.error)");

    // A task operation with --wait: the call answers the task id and the client follows it.
    root_.WriteFile("/doc.json", R"({"profile": {"syslog": {"remote": {"port": 70000}}}})");
    const CtlRun validated = Ctl("tarn hostpref_daemon configuration validate --desired-document @" +
                                 root_.Path("/doc.json") + " --wait --poll-interval 0.05");
    EXPECT_EQ(validated.status, 0) << validated.err;
    EXPECT_NE(validated.out.find("Status:     SUCCEEDED"), std::string::npos) << validated.out;
    EXPECT_NE(validated.out.find("    - path:     /profile/syslog/remote/port\n"
                                 "      messages: /syslog/remote/port: the value 70000 is greater than the maximum "
                                 "65535.\n"),
              std::string::npos)
        << validated.out;
}

// On a terminal the display is one line redrawn in place ("\r", erase to the end of the
// line), never a list of lines, and it ends on the final state before the summary.
TEST_F(HostprefctlTest, ProgressBarRedrawsInPlaceOnATerminal)
{
    const std::string id = "00000000-0000-4000-8000-0000000000e1";
    TaskDb("create " + id + " --operation com.orvane.demo.count");
    const std::string screen = root_.Dir() + "/pty.out";
    const std::string capture = std::string(std::getenv("HOSTPREFD_SOURCE_DIR")) + "/tests/client/pty_capture.py";
    auto waiting = std::async(std::launch::async, [&] {
        return TestSupport::RunShell("python3 " + capture + " " + screen + " " +
                                     Command("hostprefctl", "--poll-interval 0.05 tasks wait " + id));
    });
    auto shows = [&](const std::string& text) {
        return DaemonProcess::WaitFor([&] { return ReadFile(screen).find(text) != std::string::npos; }, 10s);
    };
    ASSERT_TRUE(shows("0%  PENDING")) << ReadFile(screen);
    TaskDb("start " + id + " --progress 5");
    TaskDb("progress " + id + " 40");
    ASSERT_TRUE(shows("40%  RUNNING")) << ReadFile(screen);
    TaskDb("succeed " + id + " 3");
    const auto run = waiting.get();
    EXPECT_TRUE(WIFEXITED(run.status) && WEXITSTATUS(run.status) == 0) << run.status;

    const std::string bytes = ReadFile(screen);
    const std::string redraw = "\r\x1b[K";
    std::vector<std::string> frames;
    for (size_t at = bytes.find(redraw); at != std::string::npos;) {
        const size_t next = bytes.find(redraw, at + redraw.size());
        frames.push_back(bytes.substr(at + redraw.size(), next == std::string::npos ? next : next - at - redraw.size()));
        at = next;
    }
    ASSERT_GE(frames.size(), 3u) << bytes;
    EXPECT_EQ(frames.front(), "[------------------------------]   0%  PENDING  Task progress");
    EXPECT_NE(std::find(frames.begin(), frames.end(), "[############------------------]  40%  RUNNING  Task progress"),
              frames.end())
        << bytes;
    // The last frame is the final state; the line then ends and the summary follows.
    EXPECT_TRUE(frames.back().starts_with("[##############################] 100%  SUCCEEDED  Task progress\r\n"))
        << frames.back();
    EXPECT_NE(frames.back().find("Result:     3\r\n"), std::string::npos) << frames.back();
    EXPECT_EQ(bytes.find("task " + id + ":"), std::string::npos) << "plain lines on a terminal";
    for (size_t i = 0; i + 1 < frames.size(); ++i)
        EXPECT_EQ(frames[i].find('\n'), std::string::npos) << "frame " << i << " left its line";
}

}  // namespace
