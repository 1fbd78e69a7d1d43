// hostpref-taskdb as host tools run it: a separate process, its exit status and output.
#include <gtest/gtest.h>
#include <rapidjson/document.h>
#include <rapidjson/stringbuffer.h>
#include <rapidjson/writer.h>

#include "TaskStoreTestSupport.hpp"
#include "platform/host/taskdb/TaskManager.hpp"
#include "support/ShellCommand.hpp"

namespace {

using Args = std::vector<std::string>;
using TaskStoreTest::ForkChild;
using TaskStoreTest::RawDb;
using TaskStoreTest::TempDir;
using TaskStoreTest::WaitChild;
using TestSupport::ShellQuoted;

struct ToolRun {
    int status = -1;
    std::string out;
    std::string err;
};

// Runs the tool with `args` and HOSTPREFD_ROOT set to `root` (unset when empty).
ToolRun RunTool(const TempDir& dir, const Args& args, const std::string& root = {})
{
    const char* build = std::getenv("HOSTPREFD_BUILD_DIR");
    const std::string err = "run" + std::to_string(getpid()) + ".err";
    std::string command =
        root.empty() ? "env -u HOSTPREFD_ROOT " : "env HOSTPREFD_ROOT=" + ShellQuoted(root) + " ";
    command += ShellQuoted(build != nullptr ? std::string(build) + "/hostpref-taskdb" : "hostpref-taskdb");
    for (const std::string& arg : args) command += " " + ShellQuoted(arg);
    const TestSupport::ShellRun run = TestSupport::RunShell(command + " 2>" + dir.File(err));
    return {WIFEXITED(run.status) ? WEXITSTATUS(run.status) : -1, run.output, dir.Read(err)};
}

class TaskCliTest : public ::testing::Test {
protected:
    void SetUp() override { std::filesystem::create_directories(root_ + "/var/orvane/lifecycle"); }

    // Runs the tool on this test's store: the default one, under the host root.
    ToolRun Tool(const Args& args) { return RunTool(dir_, args, root_); }

    TempDir dir_;
    std::string root_ = dir_.File("root");
    std::string dbPath_ = root_ + "/var/orvane/lifecycle/task-status.json.db";
};

TEST_F(TaskCliTest, DrivesTasksThroughTheirLifeAndShowsThemAsJson)
{
    for (const Args& step : std::vector<Args>{
             {"create", "t1", "--operation", "software.apply", "--user", "root"},
             {"start", "t1", "--progress", "5"},
             {"progress", "t1", "-3"},
             {"progress", "t1", "140", "past the end"},
             {"notify", "t1", R"({"kind":1})"},
             {"succeed", "t1", R"({"ok":[1,2]})"},
             {"create", "t2"},
             {"fail", "t2", "--error-id", "com.orvane.tarn.depot.error", "--arg", "a b", "--arg", "-c"},
             {"create", "t3"},
             {"fail", "t3", "--error-json", R"({"e":1})", "--result-json", R"({"half":true})"},
         }) {
        const ToolRun run = Tool(step);
        ASSERT_EQ(run.status, 0) << step[0] << ": " << run.err;
        EXPECT_EQ(run.err, "");
    }
    const ToolRun one = Tool({"show", "t1"}), all = Tool({"show"});
    ASSERT_EQ(one.status + all.status, 0) << one.err << all.err;
    rapidjson::Document task, tasks;
    ASSERT_FALSE(task.Parse(one.out.c_str()).HasParseError() || tasks.Parse(all.out.c_str()).HasParseError())
        << one.out << all.out;
    EXPECT_TRUE(task == tasks["t1"]) << one.out;
    // Whole records but for the clock readings, which only have to be there.
    for (auto& shown : tasks.GetObject()) {
        for (const char* time : {"created", "startTime", "endTime"}) {
            EXPECT_NE(shown.value[time].GetStringLength(), 0u) << time;
            shown.value.EraseMember(time);
        }
    }
    rapidjson::StringBuffer text;
    rapidjson::Writer<rapidjson::StringBuffer> writer(text);
    tasks.Accept(writer);
    EXPECT_EQ(
        std::string(text.GetString()),
        R"({"t1":{"id":"t1","operation":"software.apply","user":"root","status":"SUCCEEDED","completed":140,)"
        R"("total":100,"startProgress":5,"message":"past the end","result":"{\"ok\":[1,2]}","errorText":"",)"
        R"("errorId":"","errorArgs":[],"notifications":["{\"kind\":1}"]},)"
        R"("t2":{"id":"t2","operation":"","user":"","status":"FAILED","completed":0,"total":0,)"
        R"("startProgress":0,"message":"","result":"","errorText":"",)"
        R"("errorId":"com.orvane.tarn.depot.error","errorArgs":["a b","-c"],"notifications":[]},)"
        R"("t3":{"id":"t3","operation":"","user":"","status":"FAILED","completed":0,"total":0,)"
        R"("startProgress":0,"message":"","result":"{\"half\":true}","errorText":"{\"e\":1}","errorId":"",)"
        R"("errorArgs":[],"notifications":[]}})");
}

TEST_F(TaskCliTest, UsageErrorsExitTwoAndLeaveTheStoreUntouched)
{
    const std::vector<Args> wrong = {{},
                                     {"frobnicate", "t"},
                                     {"create"},
                                     {"create", ""},
                                     {"create", "t", "extra"},
                                     {"create", "t", "--colour", "red"},
                                     {"create", "t", "--operation"},
                                     {"progress", "t", "5x"},
                                     {"progress", "t", ""},
                                     {"progress", "t", "2147483648"},
                                     {"notify", "t", "{not json"},
                                     {"notify", "t", R"({"a":1} trailing)"},
                                     {"fail", "t"},
                                     {"fail", "t", "--error-json", "{}", "--error-id", "x"},
                                     {"fail", "t", "--error-json", "{}", "--arg", "a"},
                                     {"fail", "t", "--error-id", "x", "--error-id", "y"},
                                     {"fail", "t", "--error-id", "x", "--result-json", "{}"},
                                     {"show", "a", "b"}};
    for (const Args& args : wrong) {
        const ToolRun run = Tool(args);
        const std::string row = ::testing::PrintToString(args);
        EXPECT_EQ(run.status, 2) << row;
        EXPECT_NE(run.err.find("usage: hostpref-taskdb"), std::string::npos) << row;
        EXPECT_EQ(run.out, "") << row;
    }
    EXPECT_EQ(RunTool(dir_, {"show", "--store"}).status, 2);
    // Arguments are checked before the store is opened, so nothing was created.
    EXPECT_FALSE(std::filesystem::exists(dbPath_));

    const ToolRun help = RunTool(dir_, {"--help"});
    EXPECT_EQ(help.status, 0);
    EXPECT_NE(help.out.find("usage: hostpref-taskdb"), std::string::npos);
}

TEST_F(TaskCliTest, FailedOperationsExitOneWithOneLine)
{
    ASSERT_EQ(Tool({"create", "t"}).status, 0);
    // One error path serves every command; the library's own tests cover each operation.
    const std::vector<Args> failing = {{"create", "t"}, {"progress", "missing", "5"}, {"show", "missing"}};
    for (const Args& args : failing) {
        const ToolRun run = Tool(args);
        EXPECT_EQ(run.status, 1) << args[0];
        EXPECT_EQ(std::count(run.err.begin(), run.err.end(), '\n'), 1) << run.err;
        EXPECT_EQ(run.err.rfind("hostpref-taskdb: ", 0), 0u) << run.err;
        EXPECT_EQ(run.out, "");
    }
    EXPECT_EQ(TaskDB::TaskManager::FromPath(dbPath_)->GetTask("t").status, "PENDING");

    dir_.Write("garbage.json.db", "this is not a database, not even close to one............");
    const ToolRun garbage = RunTool(dir_, {"--store", dir_.File("garbage.json"), "show"});
    EXPECT_EQ(garbage.status, 1);
    EXPECT_NE(garbage.err.find("not a database"), std::string::npos) << garbage.err;
}

TEST_F(TaskCliTest, ToolsStartingTogetherOnANewStoreAllLand)
{
    // None of them finds a store: they race to create it, and every task still lands.
    std::vector<pid_t> tools;
    for (int tool = 0; tool < 4; ++tool) {
        tools.push_back(ForkChild([&, tool] { return Tool({"create", "t" + std::to_string(tool)}).status; }));
    }
    for (pid_t pid : tools) EXPECT_EQ(WaitChild(pid), 0);
    EXPECT_EQ(TaskDB::TaskManager::FromPath(dbPath_)->GetAllTasks().size(), 4u);
    EXPECT_EQ(RawDb(dbPath_).Query("PRAGMA integrity_check"), "ok");
}

}  // namespace
