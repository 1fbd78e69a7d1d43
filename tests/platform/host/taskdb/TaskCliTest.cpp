// hostpref-taskdb as host tools run it: a separate process, its exit status and output.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <rapidjson/document.h>

#include <cstring>
#include <fstream>
#include <sstream>

#include "TaskStoreTestSupport.hpp"
#include "platform/host/taskdb/TaskManager.hpp"

namespace {

using TaskStoreTest::ForkChild;
using TaskStoreTest::IntegrityCheck;
using TaskStoreTest::TempDir;
using TaskStoreTest::WaitChild;

std::string ToolPath()
{
    if (const char* build = std::getenv("HOSTPREFD_BUILD_DIR")) {
        return std::string(build) + "/hostpref-taskdb";
    }
    // Run by hand: look upwards from this test binary for the build directory.
    for (auto dir = std::filesystem::read_symlink("/proc/self/exe").parent_path(); dir != dir.root_path();
         dir = dir.parent_path()) {
        if (std::filesystem::exists(dir / "hostpref-taskdb")) {
            return (dir / "hostpref-taskdb").string();
        }
    }
    return "hostpref-taskdb";
}

struct ToolRun {
    int status = -1;
    std::string out;
    std::string err;
};

std::string Slurp(const std::string& path)
{
    std::ifstream in(path);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

// Runs the tool with `args`; `root`, when not empty, becomes its HOSTPREFD_ROOT.
ToolRun RunTool(const TempDir& dir, const std::vector<std::string>& args, const std::string& root = {})
{
    static int serial = 0;
    const std::string stem = dir.File("run" + std::to_string(getpid()) + "-" + std::to_string(++serial));
    const std::string outPath = stem + ".out";
    const std::string errPath = stem + ".err";
    const std::string tool = ToolPath();
    const pid_t pid = fork();
    if (pid == 0) {
        const int out = open(outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        const int err = open(errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        dup2(out, STDOUT_FILENO);
        dup2(err, STDERR_FILENO);
        if (root.empty()) {
            unsetenv("HOSTPREFD_ROOT");
        } else {
            setenv("HOSTPREFD_ROOT", root.c_str(), 1);
        }
        std::vector<char*> argv{const_cast<char*>(tool.c_str())};
        for (const std::string& arg : args) {
            argv.push_back(const_cast<char*>(arg.c_str()));
        }
        argv.push_back(nullptr);
        execv(tool.c_str(), argv.data());
        _exit(127);
    }
    ToolRun run;
    run.status = WaitChild(pid);
    run.out = Slurp(outPath);
    run.err = Slurp(errPath);
    return run;
}

class TaskCliTest : public ::testing::Test {
protected:
    // Runs the tool on this test's store.
    ToolRun Tool(std::vector<std::string> args)
    {
        args.insert(args.begin(), {"--store", base_});
        return RunTool(dir_, args);
    }

    TempDir dir_;
    std::string base_ = dir_.File("task-status.json");
    std::string dbPath_ = base_ + ".db";
};

TEST_F(TaskCliTest, DrivesATaskThroughItsLifeAndShowsItAsJson)
{
    for (const std::vector<std::string>& step : std::vector<std::vector<std::string>>{
             {"create", "t1", "--operation", "software.apply", "--user", "root"},
             {"start", "t1", "--progress", "5"},
             {"progress", "t1", "-3"},
             {"progress", "t1", "140", "past the end"},
             {"notify", "t1", R"({"kind":1,"id":"x"})"},
             {"succeed", "t1", R"({"ok":[1,2]})"},
             {"create", "t2"},
             {"fail", "t2", "--error-id", "com.orvane.tarn.depot.error", "--arg", "a b", "--arg", "-c"},
         }) {
        ToolRun run = Tool(step);
        ASSERT_EQ(run.status, 0) << step[0] << ": " << run.err;
        EXPECT_EQ(run.err, "");
    }

    ToolRun shown = Tool({"show", "t1"});
    ASSERT_EQ(shown.status, 0) << shown.err;
    rapidjson::Document task;
    task.Parse(shown.out.c_str());
    ASSERT_FALSE(task.HasParseError()) << shown.out;
    EXPECT_STREQ(task["operation"].GetString(), "software.apply");
    EXPECT_STREQ(task["user"].GetString(), "root");
    EXPECT_STREQ(task["status"].GetString(), "SUCCEEDED");
    EXPECT_EQ(task["completed"].GetInt(), 140);
    EXPECT_STREQ(task["message"].GetString(), "past the end");
    EXPECT_STREQ(task["result"].GetString(), R"({"ok":[1,2]})");
    ASSERT_EQ(task["notifications"].Size(), 1u);
    EXPECT_STREQ(task["notifications"][0].GetString(), R"({"kind":1,"id":"x"})");

    ToolRun all = Tool({"show"});
    ASSERT_EQ(all.status, 0) << all.err;
    rapidjson::Document tasks;
    tasks.Parse(all.out.c_str());
    ASSERT_FALSE(tasks.HasParseError()) << all.out;
    ASSERT_TRUE(tasks.IsObject());
    EXPECT_EQ(tasks.MemberCount(), 2u);
    const auto& failed = tasks["t2"];
    EXPECT_STREQ(failed["status"].GetString(), "FAILED");
    EXPECT_STREQ(failed["errorId"].GetString(), "com.orvane.tarn.depot.error");
    ASSERT_EQ(failed["errorArgs"].Size(), 2u);
    EXPECT_STREQ(failed["errorArgs"][0].GetString(), "a b");
    EXPECT_STREQ(failed["errorArgs"][1].GetString(), "-c");

    // What the tool wrote is what the daemon's library reads.
    auto records = TaskDB::TaskManager::FromPath(dbPath_)->GetAllTasks();
    EXPECT_EQ(records["t1"].startProgress, 5);
    EXPECT_EQ(records["t2"].errorArgs, (std::vector<std::string>{"a b", "-c"}));
}

TEST_F(TaskCliTest, FailWithErrorJsonKeepsAPartialResult)
{
    ASSERT_EQ(Tool({"create", "t"}).status, 0);
    ToolRun run = Tool({"fail", "t", "--error-json", R"({"e":1})", "--result-json", R"({"half":true})"});
    ASSERT_EQ(run.status, 0) << run.err;
    auto task = TaskDB::TaskManager::FromPath(dbPath_)->GetTask("t");
    EXPECT_EQ(task.status, "FAILED");
    EXPECT_EQ(task.errorText, R"({"e":1})");
    EXPECT_EQ(task.result, R"({"half":true})");
}

TEST_F(TaskCliTest, UsageErrorsExitTwoAndLeaveTheStoreUntouched)
{
    const std::vector<std::vector<std::string>> wrong = {
        {},
        {"frobnicate", "t"},
        {"create"},
        {"create", ""},
        {"create", "t", "extra"},
        {"create", "t", "--colour", "red"},
        {"create", "t", "--operation"},
        {"create", "t", "--progress", "five"},
        {"progress", "t"},
        {"progress", "t", "5x"},
        {"progress", "t", ""},
        {"progress", "t", "2147483648"},
        {"notify", "t", "{not json"},
        {"notify", "t", R"({"a":1} trailing)"},
        {"succeed", "t", "[1,"},
        {"fail", "t"},
        {"fail", "t", "--error-json", "{}", "--error-id", "x"},
        {"fail", "t", "--error-json", "{}", "--arg", "a"},
        {"fail", "t", "--error-id", "x", "--error-id", "y"},
        {"fail", "t", "--error-id", "x", "--result-json", "{}"},
        {"show", "a", "b"},
    };
    for (const auto& args : wrong) {
        ToolRun run = Tool(args);
        std::string line;
        for (const auto& arg : args) {
            line += " '" + arg + "'";
        }
        EXPECT_EQ(run.status, 2) << line;
        EXPECT_NE(run.err.find("usage: hostpref-taskdb"), std::string::npos) << line;
        EXPECT_EQ(run.out, "") << line;
    }
    EXPECT_EQ(RunTool(dir_, {"show", "--store"}).status, 2);
    // Arguments are checked before the store is opened, so nothing was created.
    EXPECT_FALSE(std::filesystem::exists(dbPath_));
}

TEST_F(TaskCliTest, FailedOperationsExitOneWithOneLine)
{
    ASSERT_EQ(Tool({"create", "t"}).status, 0);
    const std::vector<std::vector<std::string>> failing = {
        {"create", "t"},
        {"start", "missing"},
        {"progress", "missing", "5"},
        {"notify", "missing", "{}"},
        {"succeed", "missing"},
        {"fail", "missing", "--error-id", "x"},
        {"show", "missing"},
    };
    for (const auto& args : failing) {
        ToolRun run = Tool(args);
        EXPECT_EQ(run.status, 1) << args[0];
        EXPECT_EQ(std::count(run.err.begin(), run.err.end(), '\n'), 1) << run.err;
        EXPECT_EQ(run.err.rfind("hostpref-taskdb: ", 0), 0u) << run.err;
        EXPECT_EQ(run.out, "");
    }
    EXPECT_EQ(TaskDB::TaskManager::FromPath(dbPath_)->GetTask("t").status, "PENDING");

    std::ofstream(dir_.File("garbage.json.db"))
        << "this is not a database, not even close to one............";
    ToolRun garbage = RunTool(dir_, {"--store", dir_.File("garbage.json"), "show"});
    EXPECT_EQ(garbage.status, 1);
    EXPECT_NE(garbage.err.find("not a database"), std::string::npos) << garbage.err;
}

TEST_F(TaskCliTest, DefaultStoreLivesUnderTheHostRoot)
{
    const std::string root = dir_.File("root");
    std::filesystem::create_directories(root + "/var/orvane/lifecycle");
    ToolRun run = RunTool(dir_, {"create", "rooted", "--operation", "scan"}, root);
    ASSERT_EQ(run.status, 0) << run.err;
    const std::string db = root + "/var/orvane/lifecycle/task-status.json.db";
    EXPECT_EQ(TaskDB::TaskManager::FromPath(db)->GetTask("rooted").operation, "scan");

    ToolRun help = RunTool(dir_, {"--help"});
    EXPECT_EQ(help.status, 0);
    EXPECT_NE(help.out.find("usage: hostpref-taskdb"), std::string::npos);
}

TEST_F(TaskCliTest, ToolsStartingTogetherOnANewStoreAllLand)
{
    // Both writers find no store: they race to create it, then interleave their updates.
    constexpr int kPerWriter = 40;
    std::vector<pid_t> writers;
    for (int writer = 0; writer < 2; ++writer) {
        writers.push_back(ForkChild([&, writer] {
            const std::string id = "w" + std::to_string(writer);
            if (Tool({"create", id}).status != 0) {
                return 1;
            }
            for (int seq = 0; seq < kPerWriter; ++seq) {
                if (Tool({"notify", id, std::to_string(seq)}).status != 0) {
                    return 2;
                }
            }
            return 0;
        }));
    }
    for (pid_t pid : writers) {
        EXPECT_EQ(WaitChild(pid), 0);
    }
    auto tasks = TaskDB::TaskManager::FromPath(dbPath_)->GetAllTasks();
    for (const char* id : {"w0", "w1"}) {
        const auto& notes = tasks[id].notifications;
        ASSERT_EQ(notes.size(), static_cast<size_t>(kPerWriter)) << id;
        for (int seq = 0; seq < kPerWriter; ++seq) {
            EXPECT_EQ(notes[seq], std::to_string(seq));
        }
    }
    EXPECT_EQ(IntegrityCheck(dbPath_), "ok");
}

}  // namespace
