#include <gtest/gtest.h>

#include "platform/host/CSLogger.hpp"
#include "platform/host/LogSink.hpp"
#include "support/LogCapture.hpp"
#include "support/TempDir.hpp"
#include "util/Asio.hpp"

namespace {

// Each test has a system log socket of its own, so that syslog outputs count as reachable
// whether or not the machine runs a log daemon; nothing is ever delivered to it.
class LogConfigTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        TearDown();
        LogSink::Process().SetSyslogSocket(SocketPath());
    }
    void TearDown() override
    {
        Log_RemoveAllOutputs();
        Log_SetStderrLevel(0);
        LogSink::Process().SetSyslogSocket(LogSink::kSyslogSocket);
    }
    std::string SocketPath() const { return dir_.File("log"); }

    TestSupport::TempDir dir_;
    boost::asio::io_context io_;
    boost::asio::local::datagram_protocol::socket socket_{io_, {SocketPath()}};

    static LogOutput* NewOutput(const char* name, int level)
    {
        LogOutput* output = Log_NewSyslogOutput("hostprefd-test", name, 0, Log_CfgInterface());
        Log_SetOutputLevel(output, level);
        return output;
    }
};

TEST_F(LogConfigTest, TheMostVerboseOutputOrTheMirrorDecides)
{
    // Levels 0 to 8, one digit each: 1 when a line of that level would be written.
    const auto enabled = [] {
        std::string levels;
        for (int level = 0; level <= 8; ++level) levels += Log_IsEnabled(level) ? '1' : '0';
        return levels;
    };
    EXPECT_EQ(enabled(), "000000000") << "no outputs";
    ASSERT_TRUE(Log_AddOutput(NewOutput("quiet", 3)));
    EXPECT_EQ(enabled(), "011100000");
    LogOutput* verbose = NewOutput("verbose", 5);
    ASSERT_TRUE(Log_AddOutput(verbose));
    EXPECT_EQ(enabled(), "011111000");
    // A level changed after adding takes effect at once, both ways.
    Log_SetOutputLevel(verbose, 7);
    EXPECT_EQ(enabled(), "011111110");
    Log_SetOutputLevel(verbose, 0);
    EXPECT_EQ(enabled(), "011100000");
    Log_SetStderrLevel(6);
    EXPECT_EQ(enabled(), "011111100");

    // Without a log socket no output takes a line: only the mirror counts.
    Log_SetOutputLevel(verbose, 7);
    LogSink::Process().SetSyslogSocket(dir_.File("gone"));
    EXPECT_EQ(enabled(), "011111100");
    Log_SetStderrLevel(0);
    EXPECT_EQ(enabled(), "000000000");
    LogSink::Process().SetSyslogSocket(SocketPath());
    EXPECT_EQ(enabled(), "011111110");
}

TEST_F(LogConfigTest, AnOutputNameCanBeAddedOnceUntilAllAreRemoved)
{
    ASSERT_TRUE(Log_AddOutput(NewOutput("syslog", 2)));
    LogOutput* again = NewOutput("syslog", 7);
    EXPECT_FALSE(Log_AddOutput(again));
    EXPECT_FALSE(Log_IsEnabled(7)) << "a refused output adds nothing";
    Log_FreeOutput(again);

    Log_RemoveAllOutputs();
    EXPECT_FALSE(Log_IsEnabled(1));
    EXPECT_TRUE(Log_AddOutput(NewOutput("syslog", 7)));
    EXPECT_TRUE(Log_IsEnabled(7));
}

TEST_F(LogConfigTest, MirroredLinesCarryTheIdentOfTheSyslogOutput)
{
    Log_SetStderrLevel(7);
    StderrCapture capture;
    CSLogger::Log(2, "before");
    ASSERT_TRUE(Log_AddOutput(NewOutput("syslog", 0)));  // level 0: nothing reaches the real syslog
    CSLogger::Log(2, "during");
    Log_RemoveAllOutputs();
    CSLogger::Log(2, "after");

    std::string untimed;  // each line less its timestamp
    for (const auto& line : capture.TakeLines()) untimed += line.substr(line.find(' ') + 1) + "\n";
    const std::string pid = "[" + std::to_string(getpid()) + "]: <2> ";
    EXPECT_EQ(untimed,
              "hostprefd" + pid + "before\nhostprefd-test" + pid + "during\nhostprefd" + pid + "after\n");
}

TEST_F(LogConfigTest, BadOutputArgumentsAreRefusedWithoutCrashing)
{
    LogCfgInterface* cfg = Log_CfgInterface();
    EXPECT_EQ(Log_NewSyslogOutput("hostprefd", "syslog", 0, nullptr), nullptr);
    EXPECT_EQ(Log_NewSyslogOutput("", "syslog", 0, cfg), nullptr);
    EXPECT_EQ(Log_NewSyslogOutput("hostprefd", nullptr, 0, cfg), nullptr);
    // The start-up sequence must survive an output that could not be made.
    Log_SetOutputLevel(nullptr, 7);
    EXPECT_FALSE(Log_AddOutput(nullptr));
    Log_FreeOutput(nullptr);
    EXPECT_FALSE(Log_IsEnabled(7));
}

}  // namespace
