#include <gtest/gtest.h>

#include <regex>
#include <string>
#include <thread>
#include <vector>

#include "StderrCapture.hpp"
#include "platform/host/CSLogger.hpp"
#include "platform/host/CodeSet.hpp"
#include "platform/host/Log.hpp"
#include "platform/host/LogSink.hpp"

namespace {

// Every test writes to the stderr mirror only, so nothing reaches the real syslog.
class CSLoggerTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        Log_RemoveAllOutputs();
        Log_SetStderrLevel(7);
    }

    void TearDown() override
    {
        for (const auto& [key, value] : std::map(CSLogger::CurrentContext::Entries())) {
            CSLogger::CurrentContext::Erase(key);
        }
        Log_SetStderrLevel(0);
    }

    // The text after the "<priority> " prefix of a mirrored line.
    static std::string TextOf(const std::string& line)
    {
        const size_t start = line.find("> ");
        return start == std::string::npos ? "" : line.substr(start + 2);
    }
};

TEST_F(CSLoggerTest, LineHasTimestampIdentPidPriorityAndText)
{
    StderrCapture capture;
    CSLogger::Log(2, "HTTP endpoint listening on TCP port %d", 8099);
    const auto lines = capture.TakeLines();

    ASSERT_EQ(lines.size(), 1u);
    const std::regex format(
        R"(\d{4}-\d\d-\d\dT\d\d:\d\d:\d\d\.\d{3}Z hostprefd\[(\d+)\]: <2> HTTP endpoint listening on TCP port 8099)");
    std::smatch match;
    ASSERT_TRUE(std::regex_match(lines[0], match, format)) << lines[0];
    EXPECT_EQ(std::stoi(match[1]), getpid());
}

TEST_F(CSLoggerTest, ContextEntriesFollowTheTextInKeyOrderUntilErased)
{
    StderrCapture capture;
    CSLogger::CurrentContext::Set("user", "root");
    CSLogger::CurrentContext::Set("opId", "abc-1");
    CSLogger::Log(1, "[List] started");
    CSLogger::CurrentContext::Set("opId", "abc-2");
    CSLogger::Log(1, "[List] replaced");
    CSLogger::CurrentContext::Erase("user");
    CSLogger::CurrentContext::Erase("opId");
    CSLogger::CurrentContext::Erase("never-set");
    CSLogger::Log(1, "[List] done");
    const auto lines = capture.TakeLines();

    ASSERT_EQ(lines.size(), 3u);
    EXPECT_EQ(TextOf(lines[0]), "[List] started {opId=abc-1, user=root}");
    EXPECT_EQ(TextOf(lines[1]), "[List] replaced {opId=abc-2, user=root}");
    EXPECT_EQ(TextOf(lines[2]), "[List] done");
}

TEST_F(CSLoggerTest, ContextBelongsToTheThreadThatSetIt)
{
    StderrCapture capture;
    CSLogger::CurrentContext::Set("opId", "main-op");
    std::thread other([] {
        CSLogger::Log(2, "from other");
        CSLogger::CurrentContext::Set("opId", "other-op");
    });
    other.join();
    CSLogger::Log(2, "from main");
    const auto lines = capture.TakeLines();

    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(TextOf(lines[0]), "from other");
    EXPECT_EQ(TextOf(lines[1]), "from main {opId=main-op}");
}

TEST_F(CSLoggerTest, PercentInArgumentsAndTrailingNewlinesAreHarmless)
{
    StderrCapture capture;
    CSLogger::Log(3, "%s", "100% done %s %n %d");
    CSLogger::Log(0, "User not in UTF-8\n");
    const auto lines = capture.TakeLines();

    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(TextOf(lines[0]), "100% done %s %n %d");
    EXPECT_EQ(TextOf(lines[1]), "User not in UTF-8");
}

TEST_F(CSLoggerTest, OverlongLineIsCutWithinTheLimitAndKeepsItsContext)
{
    StderrCapture capture;
    CSLogger::CurrentContext::Set("opId", "long-op");
    const std::string huge(20000, 'x');
    CSLogger::Log(3, "output: %s", huge.c_str());
    const std::string text = capture.Take();

    EXPECT_LE(text.size(), LogSink::kMaxLine);
    ASSERT_EQ(text.back(), '\n');
    EXPECT_EQ(text.find('\n'), text.size() - 1) << "one line only";
    EXPECT_NE(text.find("output: xxxx"), std::string::npos);
    EXPECT_NE(text.find("x [truncated] {opId=long-op}\n"), std::string::npos)
        << text.substr(text.size() - 60);
}

TEST_F(CSLoggerTest, CutNeverSplitsAMultiByteCharacter)
{
    // Shift the two-byte characters by one to four bytes so that every alignment of
    // the cut against a sequence is tried.
    for (int shift = 0; shift < 4; ++shift) {
        std::string message(static_cast<size_t>(shift), 'a');
        for (int i = 0; i < 3000; ++i) {
            message += "\xC3\xA9\xE2\x82\xAC";  // "é€": a two- and a three-byte sequence
        }
        StderrCapture capture;
        CSLogger::Log(2, "%s", message.c_str());
        const std::string text = TextOf(capture.Take());

        ASSERT_NE(text.find(" [truncated]"), std::string::npos);
        EXPECT_TRUE(CodeSet_Validate(text.data(), text.size(), "UTF-8")) << "shift " << shift;
    }
}

TEST_F(CSLoggerTest, MirrorLevelDecidesWhichPrioritiesAreWritten)
{
    Log_SetStderrLevel(5);  // host level 5 is priority 2
    StderrCapture capture;
    CSLogger::Log(0, "failure");
    CSLogger::Log(2, "progress");
    CSLogger::Log(3, "detail");
    CSLogger::Log(-5, "below range");
    CSLogger::Log(99, "above range");
    const auto lines = capture.TakeLines();

    ASSERT_EQ(lines.size(), 3u);
    EXPECT_NE(lines[0].find("<0> failure"), std::string::npos);
    EXPECT_NE(lines[1].find("<2> progress"), std::string::npos);
    EXPECT_NE(lines[2].find("<0> below range"), std::string::npos);
}

TEST_F(CSLoggerTest, PlainLibraryLinesArePriorityTwo)
{
    StderrCapture capture;
    Log("PAM up and running.\n");
    const auto lines = capture.TakeLines();

    ASSERT_EQ(lines.size(), 1u);
    EXPECT_NE(lines[0].find("<2> PAM up and running."), std::string::npos);
}

TEST_F(CSLoggerTest, ConcurrentLinesNeverInterleave)
{
    constexpr int kThreads = 8;
    constexpr int kLines = 200;
    const std::string filler(1500, 'f');  // long lines make a torn write likely if it could happen
    StderrCapture capture;
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([t, &filler] {
            CSLogger::CurrentContext::Set("opId", "thread-" + std::to_string(t));
            for (int i = 0; i < kLines; ++i) {
                CSLogger::Log(2, "t%d line %d %s", t, i, filler.c_str());
            }
        });
    }
    for (auto& thread : threads) {
        thread.join();
    }
    const auto lines = capture.TakeLines();

    ASSERT_EQ(lines.size(), static_cast<size_t>(kThreads * kLines));
    const std::regex whole(R"(\S+ hostprefd\[\d+\]: <2> t(\d) line (\d+) f{1500} \{opId=thread-(\d)\})");
    std::vector<int> next(kThreads, 0);
    for (const auto& line : lines) {
        std::smatch match;
        ASSERT_TRUE(std::regex_match(line, match, whole)) << line.substr(0, 80);
        const int thread = std::stoi(match[1]);
        ASSERT_EQ(std::stoi(match[3]), thread);
        EXPECT_EQ(std::stoi(match[2]), next[thread]++) << "each thread's lines stay in order";
    }
}

}  // namespace
