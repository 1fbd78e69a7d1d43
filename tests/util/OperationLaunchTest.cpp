#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <thread>

#include "../api/ApiTestSupport.hpp"
#include "platform/host/UUID.hpp"
#include "platform/lumo/StandardError.hpp"
#include "tasks/TaskDB.hpp"
#include "tasks/TaskPaths.hpp"
#include "util/OperationLaunch.hpp"

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;
using Lumo::Data::ErrorValuePtr;
using std::chrono::milliseconds;

const std::string kContention =
    "com.orvane.lumo.std.errors.not_allowed_in_current_state com.orvane.tarn.task.contention [] Another "
    "operation is in progress on the host. Try again when it has finished.";

std::string ReadLocal(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

// Each root carries the shipped catalogues, so every error value shows its English text.
class OperationLaunchTest : public testing::Test {
protected:
    std::string TrackingFile(const std::string& root = "") const
    {
        return (root.empty() ? root_.Dir() : root) + LifeCycle::kTaskTrackingFile;
    }

    std::map<std::string, TaskDB::TaskInfo> Tasks() const
    {
        return LifeCycle::TaskDB(LifeCycle::kTaskStatusPath, false).Manager()->GetAllTasks();
    }

    ApiTest::EnvHostRoot root_;
};

TEST_F(OperationLaunchTest, ClaimIsTakenReleasedAndRespected)
{
    EXPECT_EQ(LifeCycle::InitOperation("Export"), nullptr);
    EXPECT_EQ(ReadLocal(TrackingFile()), "PRECURSOR: Export");

    // The holder's claim survives a contender: two checks, each followed by a pause.
    LogCapture log;
    ErrorValuePtr error;
    const auto start = Clock::now();
    EXPECT_TRUE(LifeCycle::_CheckTaskContention("second", error, 1));
    const auto elapsed = Clock::now() - start;
    EXPECT_EQ(ApiTest::ErrorText(error), kContention);
    EXPECT_EQ(ApiTest::LogLines(log, "Task sync file exists and contains 'PRECURSOR: Export'").size(), 2u);
    EXPECT_TRUE(elapsed >= milliseconds(1900) && elapsed < milliseconds(3500));
    EXPECT_EQ(ReadLocal(TrackingFile()), "PRECURSOR: Export");

    LifeCycle::CleanupOperation("Export");
    EXPECT_FALSE(fs::exists(TrackingFile()));
}

TEST_F(OperationLaunchTest, InitTaskRecordsANamedTaskUnderItsClaim)
{
    ErrorValuePtr error;
    const std::string id = LifeCycle::InitTask("apply", error, true);
    EXPECT_EQ(error, nullptr);
    EXPECT_TRUE(UUID_PackText(id.c_str(), id.size()));
    EXPECT_EQ(ReadLocal(TrackingFile()), "PRECURSOR: " + id);
    ASSERT_EQ(Tasks().count(id), 1u);
    EXPECT_EQ(Tasks().at(id).operation + " " + Tasks().at(id).status, "apply PENDING");

    // While that task holds the host, the next one fails after one check and records nothing.
    EXPECT_EQ(LifeCycle::InitTask("set", error, false), "");
    EXPECT_EQ(ApiTest::ErrorText(error), kContention);
    EXPECT_EQ(ReadLocal(TrackingFile()), "PRECURSOR: " + id);
    EXPECT_EQ(Tasks().size(), 1u);

    // A store that cannot be opened (a directory in its place) fails the task after the
    // claim, and the claim goes with it.
    fs::remove(TrackingFile());
    fs::remove(root_.Dir() + LifeCycle::kTaskStatusPath + ".db");
    fs::create_directories(root_.Dir() + LifeCycle::kTaskStatusPath + ".db");
    for (bool internal : {true, false}) {
        EXPECT_EQ(LifeCycle::InitTask("apply", error, internal), "");
        EXPECT_EQ(ApiTest::ErrorText(error),
                  (internal ? "com.orvane.lumo.std.errors.internal_server_error"
                            : "com.orvane.lumo.std.errors.error") +
                      std::string(" com.orvane.tarn.task.create.error [] Failed to create the task record."));
        EXPECT_FALSE(fs::exists(TrackingFile()));
    }
}

// Two processes released at the same instant race for the tracking file of one root; many
// roots race at once to keep the run short (each loser pauses a second).
TEST_F(OperationLaunchTest, RacingClaimantsNeverBothWin)
{
    constexpr int kRounds = 200, kRoundsPerBatch = 25;
    const auto& kNotNow = Com::Orvane::Lumo::Std::Errors::NotAllowedInCurrentState;
    int badRounds = 0;
    for (int batch = 0; batch < kRounds / kRoundsPerBatch; ++batch) {
        int gate[2];
        ASSERT_EQ(pipe(gate), 0);
        std::map<pid_t, std::pair<std::string, int>> racers;  // pid -> (root, racer)
        for (int round = 0; round < kRoundsPerBatch; ++round) {
            const std::string roundRoot =
                root_.Dir() + "/round-" + std::to_string(batch * kRoundsPerBatch + round);
            fs::create_directories(roundRoot);
            for (int racer = 0; racer < 2; ++racer) {
                const pid_t pid = fork();
                if (pid == 0) {
                    close(gate[1]);
                    char byte;
                    [[maybe_unused]] ssize_t n = read(gate[0], &byte, 1);  // end of file opens the gate
                    setenv("HOSTPREFD_ROOT", roundRoot.c_str(), 1);
                    ErrorValuePtr error;
                    const bool contended =
                        LifeCycle::_CheckTaskContention("racer-" + std::to_string(racer), error, 0);
                    // 0: won; 1: refused with the contention error; 2: refused otherwise.
                    _exit(!contended ? 0 : error && kNotNow.Matches(*error) ? 1 : 2);
                }
                racers[pid] = {roundRoot, racer};
            }
        }
        close(gate[0]);
        close(gate[1]);
        std::map<std::string, std::vector<int>> winners;
        for (const auto& [pid, who] : racers) {
            int status = 0;
            ASSERT_EQ(waitpid(pid, &status, 0), pid);
            ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) != 2) << "contention without its error";
            auto& won = winners[who.first];
            if (WEXITSTATUS(status) == 0) won.push_back(who.second);
        }
        for (const auto& [roundRoot, won] : winners)
            badRounds += won.size() != 1 ||
                         ReadLocal(TrackingFile(roundRoot)) != "PRECURSOR: racer-" + std::to_string(won[0]);
    }
    EXPECT_EQ(badRounds, 0);
}

}  // namespace
