// The framework log sink: the level-to-priority table, literal text, levels out of range.
#include <gtest/gtest.h>

#include "core/LumoLoggerWrapper.hpp"
#include "platform/host/Log.hpp"

using Host::Settings::SettingsApi::LumoLoggerWrapper;

// The text is written as given: conversions in it are not expanded.
TEST(LumoLoggerWrapper, WritesEachLevelAtItsPriorityAndTheTextLiterally)
{
    LumoLoggerWrapper logger;
    Log_SetStderrLevel(7);  // mirror every level on stderr
    const char* expected[] = {"<4>", "<3>", "<2>", "<1>", "<0>", "<0>"};
    for (uint32_t level = 0; level <= 5; ++level) {
        const std::string text = "level " + std::to_string(level) + " 100%s done %d %n";
        testing::internal::CaptureStderr();
        logger.CreateRecord(level)->Stream() << text;  // written when the record goes
        const std::string line = testing::internal::GetCapturedStderr();
        EXPECT_NE(line.find(expected[level]), std::string::npos) << line;
        EXPECT_NE(line.find(text), std::string::npos) << line;
    }
    Log_SetStderrLevel(0);
}

TEST(LumoLoggerWrapperDeathTest, LevelAboveFiveEndsTheProcess)
{
    LumoLoggerWrapper logger;
    EXPECT_DEATH(logger.CreateRecord(6), "NOT_REACHED apps/lifecycle/lumo/_virtual_includes/headers/logger:102");
    EXPECT_DEATH(LumoLoggerWrapper::Record record(9), "NOT_REACHED apps/lifecycle/lumo/_virtual_includes/headers/logger:79");
}
