// Operation launch against a scratch host root that carries the shipped message catalogues,
// so every error value can be checked for its English text.
#include <gtest/gtest.h>

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <map>
#include <string>
#include <thread>
#include <vector>

#include "CapturedLog.hpp"
#include "ScratchHostRoot.hpp"
#include "config/Translator.hpp"
#include "platform/host/HostRoot.hpp"
#include "platform/host/UUID.hpp"
#include "platform/lumo/ListValue.hpp"
#include "platform/lumo/LocalizableMessage.hpp"
#include "platform/lumo/StandardError.hpp"
#include "tasks/TaskDB.hpp"
#include "tasks/TaskPaths.hpp"
#include "util/OperationLaunch.hpp"

namespace {

namespace fs = std::filesystem;
namespace Errors = Com::Orvane::Lumo::Std::Errors;
using Clock = std::chrono::steady_clock;
using Lumo::Data::ErrorValuePtr;

const fs::path kShippedCatalogues =
    fs::path(std::getenv("HOSTPREFD_FIXTURES")) / "hostroot" / fs::path(LifeCycle::Translator::kCatalogueDir).relative_path();

// The text the shipped catalogues give `id`, read straight from the files.
std::string ShippedText(const std::string& id)
{
    for (const auto& entry : fs::directory_iterator(kShippedCatalogues)) {
        std::ifstream in(entry.path());
        for (std::string line; std::getline(in, line);) {
            if (line.rfind(id + " = ", 0) == 0) {
                std::string text = line.substr(id.size() + 3);
                return text.size() >= 2 && text.front() == '"' ? text.substr(1, text.size() - 2) : text;
            }
        }
    }
    return "(not in the catalogues)";
}

// Checks that `error` is a `kind` error with the one message `id` and its shipped text.
void ExpectLaunchError(const ErrorValuePtr& error, const Errors::StandardError& kind, const std::string& id)
{
    ASSERT_NE(error, nullptr);
    EXPECT_EQ(error->Name(), kind.Name());
    auto messages = Lumo::Data::ValueCast<Lumo::Data::ListValue>(error->GetField("messages"));
    ASSERT_NE(messages, nullptr);
    ASSERT_EQ(messages->Size(), 1u);
    auto message = Com::Orvane::Lumo::Std::LocalizableMessage::FromValue(*messages->Items()[0]);
    ASSERT_TRUE(message.has_value());
    EXPECT_EQ(message->id, id);
    EXPECT_EQ(message->defaultMessage, ShippedText(id));
    EXPECT_EQ(message->localized, ShippedText(id));
    EXPECT_TRUE(message->args.empty());
}

size_t CountLines(const std::vector<TestLog::LogLine>& lines, const std::string& part)
{
    size_t count = 0;
    for (const auto& line : lines) {
        count += line.text.find(part) != std::string::npos ? 1 : 0;
    }
    return count;
}

class OperationLaunchTest : public testing::Test {
protected:
    void SetUp() override
    {
        // The translator reads its catalogues once per process, from whichever root is in
        // force at the first lookup; every root here carries them.
        const fs::path target = root_.dir + LifeCycle::Translator::kCatalogueDir;
        fs::create_directories(target);
        fs::copy(kShippedCatalogues, target, fs::copy_options::recursive);
    }

    std::string Tracking() const { return ReadLocal(HostRoot::Path(LifeCycle::kTaskTrackingFile)); }
    bool TrackingExists() const { return fs::exists(HostRoot::Path(LifeCycle::kTaskTrackingFile)); }

    static std::string ReadLocal(const std::string& path)
    {
        std::ifstream in(path, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), {});
    }

    std::map<std::string, TaskDB::TaskInfo> Tasks() const
    {
        return LifeCycle::TaskDB(LifeCycle::kTaskStatusPath, false).Manager()->GetAllTasks();
    }

    UtilTest::ScratchHostRoot root_;
};

TEST_F(OperationLaunchTest, PlainOperationClaimsAndReleasesTheHost)
{
    EXPECT_EQ(LifeCycle::InitOperation("Export"), nullptr);
    EXPECT_EQ(Tracking(), "PRECURSOR: Export");
    LifeCycle::CleanupOperation("Export");
    EXPECT_FALSE(TrackingExists());
    LifeCycle::CleanupOperation("Export");  // nothing left to remove is no error
    EXPECT_EQ(LifeCycle::InitOperation("Export"), nullptr);
}

TEST_F(OperationLaunchTest, ContentionLeavesTheClaimOfTheHolderAlone)
{
    root_.Write(LifeCycle::kTaskTrackingFile, "PRECURSOR: holder");
    TestLog::CapturedLog log;
    ErrorValuePtr error;
    const auto start = Clock::now();
    EXPECT_TRUE(LifeCycle::_CheckTaskContention("second", error, 1));
    const auto elapsed = Clock::now() - start;
    ExpectLaunchError(error, Errors::NotAllowedInCurrentState, "com.orvane.tarn.task.contention");
    EXPECT_EQ(Tracking(), "PRECURSOR: holder");
    // Two checks, each followed by a one-second pause.
    EXPECT_EQ(CountLines(log.Take(), "Task sync file exists and contains 'PRECURSOR: holder'"), 2u);
    EXPECT_GE(elapsed, std::chrono::milliseconds(1900));
    EXPECT_LT(elapsed, std::chrono::milliseconds(3500));

    // A negative retry count fails at once and creates nothing.
    fs::remove(HostRoot::Path(LifeCycle::kTaskTrackingFile));
    error = nullptr;
    EXPECT_TRUE(LifeCycle::_CheckTaskContention("third", error, -1));
    ExpectLaunchError(error, Errors::NotAllowedInCurrentState, "com.orvane.tarn.task.contention");
    EXPECT_FALSE(TrackingExists());
}

TEST_F(OperationLaunchTest, InitTaskRecordsANamedTaskUnderItsClaim)
{
    ErrorValuePtr error;
    const std::string id = LifeCycle::InitTask("apply", error, true);
    EXPECT_EQ(error, nullptr);
    EXPECT_TRUE(UUID_PackText(id.c_str(), id.size()));
    EXPECT_EQ(Tracking(), "PRECURSOR: " + id);
    const auto tasks = Tasks();
    ASSERT_EQ(tasks.count(id), 1u);
    EXPECT_EQ(tasks.at(id).operation, "apply");
    EXPECT_EQ(tasks.at(id).status, "PENDING");

    // While that task holds the host, the next one fails after one check and records nothing.
    error = nullptr;
    EXPECT_EQ(LifeCycle::InitTask("set", error, false), "");
    ExpectLaunchError(error, Errors::NotAllowedInCurrentState, "com.orvane.tarn.task.contention");
    EXPECT_EQ(Tracking(), "PRECURSOR: " + id);
    EXPECT_EQ(Tasks().size(), 1u);
}

TEST_F(OperationLaunchTest, InitTaskThatCannotRecordReleasesTheClaim)
{
    // A directory where the store file should be: the store cannot be opened.
    fs::create_directories(HostRoot::Path(std::string(LifeCycle::kTaskStatusPath) + ".db"));
    for (bool internal : {true, false}) {
        ErrorValuePtr error;
        EXPECT_EQ(LifeCycle::InitTask("apply", error, internal), "");
        ExpectLaunchError(error, internal ? Errors::InternalServerError : Errors::Error,
                          "com.orvane.tarn.task.create.error");
        EXPECT_FALSE(TrackingExists());
    }
}

TEST_F(OperationLaunchTest, LaunchThatNeverStartsIsTriedThreeTimesAndReleasesTheClaim)
{
    const std::string id = "0f8e6a52-4a4e-4c59-9d1e-6f4f0e0c9a11";
    TestLog::CapturedLog log;
    ErrorValuePtr error;
    const auto start = Clock::now();
    LifeCycle::RunTask("/usr/lib/orvane/lifecycle/bin/no-such-tool --task-id " + id, id, error, false, 2);
    const auto elapsed = Clock::now() - start;
    const auto lines = log.Take();

    ExpectLaunchError(error, Errors::Error, "com.orvane.tarn.task.exec.error");
    EXPECT_EQ(CountLines(lines, "Failed to exec command for task " + id + ": TolkCtl_Daemon() returned 2"), 3u);
    EXPECT_EQ(CountLines(lines, "[RunTask]: Executing command: "), 3u);
    EXPECT_GE(elapsed, std::chrono::milliseconds(1900));
    EXPECT_LT(elapsed, std::chrono::milliseconds(3500));
    EXPECT_FALSE(TrackingExists());
    // The entry stays: the record of a failed launch is still the client's to see.
    EXPECT_EQ(Tasks().count(id), 1u);

    // Nothing blocks the next operation.
    EXPECT_EQ(LifeCycle::InitOperation("Export"), nullptr);
}

TEST_F(OperationLaunchTest, LaunchedToolOutlivesTheCallThatStartedIt)
{
    const std::string id = "5b0b0f61-8c39-4d4a-b4a3-0c4cf0a6b8a2";
    const std::string pidFile = root_.dir + "/tool.pid";
    const std::string doneFile = root_.dir + "/tool.done";
    // The tool reports its pid, waits, and then marks that it finished.
    const std::string command = "/bin/sh -c \"echo $$ > " + pidFile + "; sleep 1; touch " + doneFile +
                                "\" --task-id " + id;
    ErrorValuePtr error;
    const auto start = Clock::now();
    LifeCycle::RunTask(command, id, error, true, 2);
    EXPECT_LT(Clock::now() - start, std::chrono::milliseconds(800));
    EXPECT_EQ(error, nullptr);
    // The claim is the tool's to release.
    EXPECT_EQ(Tracking(), "PRECURSOR: " + id);
    EXPECT_EQ(Tasks().count(id), 1u);

    pid_t pid = 0;
    for (int i = 0; i < 200 && pid == 0; ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
        pid = static_cast<pid_t>(std::atoi(ReadLocal(pidFile).c_str()));
    }
    ASSERT_GT(pid, 0);
    EXPECT_FALSE(fs::exists(doneFile)) << "RunTask waited for the tool";
    EXPECT_EQ(kill(pid, 0), 0);
    EXPECT_NE(getsid(pid), getsid(0)) << "the tool must lead a session of its own";
    EXPECT_EQ(waitpid(pid, nullptr, WNOHANG), -1) << "the tool must not be our child";

    for (int i = 0; i < 400 && !fs::exists(doneFile); ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    EXPECT_TRUE(fs::exists(doneFile));
}

// Two processes released at the same instant race for the tracking file of one root; many
// roots race at once to keep the run short (each loser pauses a second).
TEST_F(OperationLaunchTest, RacingClaimantsNeverBothWin)
{
    constexpr int kRounds = 200;
    constexpr int kRoundsPerBatch = 25;
    int twoWinners = 0;
    int noWinner = 0;
    for (int batch = 0; batch < kRounds / kRoundsPerBatch; ++batch) {
        int gate[2];
        ASSERT_EQ(pipe(gate), 0);
        std::map<pid_t, std::pair<int, int>> racers;  // pid -> (round, racer)
        for (int round = 0; round < kRoundsPerBatch; ++round) {
            const std::string roundRoot = root_.dir + "/round-" + std::to_string(batch) + "-" + std::to_string(round);
            fs::create_directories(roundRoot);
            for (int racer = 0; racer < 2; ++racer) {
                const pid_t pid = fork();
                if (pid == 0) {
                    close(gate[1]);
                    char byte;
                    [[maybe_unused]] ssize_t n = read(gate[0], &byte, 1);  // end of file opens the gate
                    setenv("HOSTPREFD_ROOT", roundRoot.c_str(), 1);
                    ErrorValuePtr error;
                    const bool contended = LifeCycle::_CheckTaskContention("racer-" + std::to_string(racer), error, 0);
                    _exit(!contended ? 0 : (error && Errors::NotAllowedInCurrentState.Matches(*error)) ? 1 : 2);
                }
                ASSERT_GT(pid, 0);
                racers[pid] = {round, racer};
            }
        }
        close(gate[0]);
        close(gate[1]);
        std::vector<std::vector<int>> winners(kRoundsPerBatch);
        for (const auto& [pid, who] : racers) {
            int status = 0;
            ASSERT_EQ(waitpid(pid, &status, 0), pid);
            ASSERT_TRUE(WIFEXITED(status));
            ASSERT_NE(WEXITSTATUS(status), 2) << "contention without its error";
            if (WEXITSTATUS(status) == 0) {
                winners[who.first].push_back(who.second);
            }
        }
        for (int round = 0; round < kRoundsPerBatch; ++round) {
            twoWinners += winners[round].size() > 1 ? 1 : 0;
            noWinner += winners[round].empty() ? 1 : 0;
            if (winners[round].size() == 1) {
                const std::string roundRoot =
                    root_.dir + "/round-" + std::to_string(batch) + "-" + std::to_string(round);
                EXPECT_EQ(ReadLocal(roundRoot + LifeCycle::kTaskTrackingFile),
                          "PRECURSOR: racer-" + std::to_string(winners[round][0]));
            }
        }
    }
    EXPECT_EQ(twoWinners, 0);
    EXPECT_EQ(noWinner, 0);
}

}  // namespace
