// The framework log sink: the level-to-priority table, literal text, levels out of range.
#include <gtest/gtest.h>

#include "core/LumoLoggerWrapper.hpp"
#include "platform/host/Log.hpp"

using Host::Settings::SettingsApi::LumoLoggerWrapper;

namespace {

// Lines written through the wrapper, as the stderr mirror shows them.
class LumoLoggerWrapperTest : public ::testing::Test {
protected:
    void SetUp() override { Log_SetStderrLevel(7); }
    void TearDown() override { Log_SetStderrLevel(0); }

    std::string Emit(uint32_t level, const std::string& text)
    {
        testing::internal::CaptureStderr();
        if (auto record = logger_.CreateRecord(level)) {
            record->Stream() << text;
        }
        return testing::internal::GetCapturedStderr();
    }

    LumoLoggerWrapper logger_;
};

}  // namespace

// The text is written as given: conversions in it are not expanded.
TEST_F(LumoLoggerWrapperTest, WritesEachLevelAtItsPriorityAndTheTextLiterally)
{
    const char* expected[] = {"<4>", "<3>", "<2>", "<1>", "<0>", "<0>"};
    for (uint32_t level = 0; level <= 5; ++level) {
        const std::string text = "level " + std::to_string(level) + " 100%s done %d %n";
        const std::string line = Emit(level, text);
        EXPECT_NE(line.find(expected[level]), std::string::npos) << line;
        EXPECT_NE(line.find(text), std::string::npos) << line;
    }
}

TEST(LumoLoggerWrapperDeathTest, LevelAboveFiveEndsTheProcess)
{
    LumoLoggerWrapper logger;
    EXPECT_DEATH(logger.CreateRecord(6), "NOT_REACHED apps/lifecycle/lumo/_virtual_includes/headers/logger:102");
    EXPECT_DEATH(LumoLoggerWrapper::Record record(9), "NOT_REACHED apps/lifecycle/lumo/_virtual_includes/headers/logger:79");
}
