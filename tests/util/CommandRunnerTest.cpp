// The command runner with real commands: how each way a command can end becomes a result, and
// the log lines of each. (The argument check is shown through the services, end to end.)
#include <gtest/gtest.h>
#include <signal.h>

#include <cerrno>

#include "../api/ApiTestSupport.hpp"
#include "support/TempDir.hpp"
#include "util/CommandRunner.hpp"

namespace {

using LifeCycle::CommandResult;
using LifeCycle::RunCommand;

TEST(CommandRunnerTest, PipeFormResultsOutputAndLogLines)
{
    LogCapture log;
    std::string out = "kept:";
    EXPECT_EQ(RunCommand("/nonexistent/tool --x", nullptr, &out),
              (CommandResult{CommandResult::SpawnFailed, ENOENT}));
    EXPECT_EQ(RunCommand("/bin/true", nullptr, &out), CommandResult{});
    EXPECT_EQ(out, "kept:") << "nothing read from a command that never ran or printed nothing";
    EXPECT_EQ(RunCommand("/bin/sh -c \"echo half; exit 3\"", nullptr, &out),
              (CommandResult{CommandResult::NonZeroExit, 3}));
    EXPECT_EQ(out, "kept:half\n");
    // Killed by a signal: the raw wait status, not an exit code.
    EXPECT_EQ(RunCommand("/bin/sh -c \"kill -9 $$\"", nullptr, nullptr),
              (CommandResult{CommandResult::NonZeroExit, SIGKILL}));

    // A chunk keeps what comes before an embedded NUL; the next chunk is appended whole.
    std::string chunks;
    EXPECT_EQ(RunCommand("/bin/sh -c \"printf 'ab\\0cd'; sleep 0.2; printf ef\"", nullptr, &chunks),
              CommandResult{});
    EXPECT_EQ(chunks, "abef");

    const auto lines = ApiTest::LogLines(log, "RunCommand");
    const std::vector<std::string> expected = {
        "3 [RunCommand] About to run command /nonexistent/tool --x",
        "0 [RunCommand] Could not start command: /nonexistent/tool --x, error: No such file or directory",
        "3 [RunCommand] About to run command /bin/true",
        "3 [RunCommand] Got result : kept:",
        "3 [RunCommand] Status from pclose 0",
        "3 [RunCommand] Command return code 0",
    };
    ASSERT_GE(lines.size(), expected.size());
    EXPECT_EQ(std::vector<std::string>(lines.begin(), lines.begin() + expected.size()), expected);
}

TEST(CommandRunnerTest, InputReachesTheCommandAndAReaderThatLeftDoesNotEndTheCaller)
{
    TestSupport::TempDir dir;
    const std::string input = "{\"name\": \"main\"}";
    EXPECT_EQ(RunCommand("/bin/sh -c \"cat > " + dir.File("in") + "\"", &input, nullptr), CommandResult{});
    EXPECT_EQ(dir.Read("in"), input);

    // Whether the command is gone before the write (EPIPE) or during it (a short write), the
    // process must live on: a SIGPIPE would end this test.
    const std::string large(1 << 20, 'x');
    for (int i = 0; i < 5; ++i) {
        const CommandResult result = RunCommand("/bin/true", &large, nullptr);
        EXPECT_TRUE(result == CommandResult{} ||
                    result == (CommandResult{CommandResult::PipeWriteFailed, EPIPE}))
            << result.kind << " " << result.code;
    }
}

TEST(CommandRunnerTest, ExecFormReturnsTheExitCodeOrTheErrnoOfAFailedStart)
{
    LogCapture log;
    EXPECT_EQ(RunCommand("/bin/true"), CommandResult{});
    EXPECT_EQ(RunCommand("/bin/sh -c \"exit 82\""), (CommandResult{CommandResult::NonZeroExit, 82}));
    EXPECT_EQ(RunCommand("/nonexistent/tool"), (CommandResult{CommandResult::SpawnFailed, ENOENT}));
    EXPECT_EQ(RunCommand("/bin/sh \"unterminated"), (CommandResult{CommandResult::SpawnFailed, EINVAL}));
    EXPECT_EQ(ApiTest::LogLines(log, "RunCommand"),
              (std::vector<std::string>{
                  "3 [RunCommand] Got returnCode from exec: 0", "3 [RunCommand] Got returnCode from exec: 82",
                  "0 [RunCommand] Got exception from exec", "0 [RunCommand] Got exception from exec"}));
}

}  // namespace
