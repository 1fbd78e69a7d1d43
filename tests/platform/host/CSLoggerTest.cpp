#include <gtest/gtest.h>

#include <map>
#include <regex>
#include <string>
#include <thread>
#include <vector>

#include "platform/host/CSLogger.hpp"
#include "platform/host/CodeSet.hpp"
#include "platform/host/LogSink.hpp"
#include "support/LogCapture.hpp"

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
        for (const auto& entry : std::map(CSLogger::CurrentContext::Entries()))
            CSLogger::CurrentContext::Erase(entry.first);
        Log_SetStderrLevel(0);
    }
};

TEST_F(CSLoggerTest, PriorityTextAndThreadContextFollowInKeyOrderUntilErased)
{
    StderrCapture capture;
    CSLogger::CurrentContext::Set("user", "root");
    CSLogger::CurrentContext::Set("opId", "abc-1");
    CSLogger::Log(1, "[List] started");
    CSLogger::CurrentContext::Set("opId", "abc-2");
    std::thread other([] {
        CSLogger::Log(2, "from other");  // the context belongs to the thread that set it
        CSLogger::CurrentContext::Set("opId", "other-op");
    });
    other.join();
    CSLogger::Log(1, "[List] replaced");
    CSLogger::CurrentContext::Erase("user");
    CSLogger::CurrentContext::Erase("opId");
    CSLogger::CurrentContext::Erase("never-set");
    CSLogger::Log(-5, "below range");
    CSLogger::Log(99, "above range");
    Log("PAM up and running.\n");  // plain library lines are priority 2
    const auto lines = capture.TakeLines();

    const std::vector<std::string> expected = {"<1> [List] started {opId=abc-1, user=root}",
                                               "<2> from other",
                                               "<1> [List] replaced {opId=abc-2, user=root}",
                                               "<0> below range",
                                               "<4> above range",
                                               "<2> PAM up and running."};
    ASSERT_EQ(lines.size(), expected.size());
    for (size_t i = 0; i < lines.size(); ++i)
        EXPECT_EQ(lines[i].substr(lines[i].find("]: ") + 3), expected[i]);
}

TEST_F(CSLoggerTest, OverlongLineIsCutWithinTheLimitBetweenCharactersAndKeepsItsContext)
{
    CSLogger::CurrentContext::Set("opId", "long-op");
    // Shifting the two- and three-byte sequences tries every alignment of the cut.
    for (int shift = 0; shift < 4; ++shift) {
        std::string message(static_cast<size_t>(shift), 'a');
        for (int i = 0; i < 3000; ++i) message += "\xC3\xA9\xE2\x82\xAC";
        StderrCapture capture;
        CSLogger::Log(2, "output: %s", message.c_str());
        const std::string text = capture.Take();
        EXPECT_LE(text.size(), LogSink::kMaxLine);
        EXPECT_EQ(text.find('\n'), text.size() - 1) << "one line only";
        EXPECT_NE(text.find("]: <2> output: "), std::string::npos);
        EXPECT_NE(text.find(" [truncated] {opId=long-op}\n"), std::string::npos)
            << text.substr(text.size() - 60);
        EXPECT_TRUE(CodeSet_Validate(text.data(), text.size(), "UTF-8")) << "shift " << shift;
    }
}

// Also the line format: timestamp, ident, pid, priority, text, context.
TEST_F(CSLoggerTest, ConcurrentLinesNeverInterleave)
{
    constexpr int kThreads = 8, kLines = 200;
    const std::string filler(1500, 'f');  // long lines make a torn write likely if it could happen
    StderrCapture capture;
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([t, &filler] {
            CSLogger::CurrentContext::Set("opId", "thread-" + std::to_string(t));
            for (int i = 0; i < kLines; ++i) CSLogger::Log(2, "t%d line %d %s", t, i, filler.c_str());
        });
    }
    for (auto& thread : threads) thread.join();
    const auto lines = capture.TakeLines();

    ASSERT_EQ(lines.size(), static_cast<size_t>(kThreads * kLines));
    const std::regex whole(R"(\d{4}-\d\d-\d\dT\d\d:\d\d:\d\d\.\d{3}Z hostprefd\[)" +
                           std::to_string(getpid()) +
                           R"(\]: <2> t(\d) line (\d+) f{1500} \{opId=thread-(\d)\})");
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
