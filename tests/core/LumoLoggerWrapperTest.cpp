// The framework log sink: the level-to-priority table, literal text, levels out of range.
#include <gtest/gtest.h>

#include "core/LumoLoggerWrapper.hpp"
#include "platform/host/Log.hpp"

using Host::Settings::SettingsApi::LumoLoggerWrapper;

namespace {

// A part that counts how often it is formatted.
struct Counted {
    int* count;
};
std::ostream& operator<<(std::ostream& out, const Counted& part)
{
    ++*part.count;
    return out;
}

}  // namespace

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

// A thread's records share one stream: each line holds its own text and formatting only, a
// record made inside another stays apart, and a level no output takes formats nothing.
TEST(LumoLoggerWrapper, EachLineStartsAfreshAndADisabledLevelFormatsNothing)
{
    LumoLoggerWrapper logger;
    Log_SetStderrLevel(7);
    testing::internal::CaptureStderr();
    Lumo::Log::Write(&logger, Lumo::Log::kError, "a much longer first line ", std::hex, 255);
    if (auto outer = logger.CreateRecord(Lumo::Log::kError)) {
        outer->Stream() << "outer " << 255;
        Lumo::Log::Write(&logger, Lumo::Log::kError, "inner");
    }
    Lumo::Log::Write(&logger, Lumo::Log::kError, "s ", 255);
    const std::string lines = testing::internal::GetCapturedStderr();
    for (const char* line : {"<0> a much longer first line ff\n", "<0> inner\n", "<0> outer 255\n", "<0> s 255\n"})
        EXPECT_NE(lines.find(line), std::string::npos) << line << " in " << lines;

    int formatted = 0;
    for (int stderrLevel : {0, 7}) {
        Log_SetStderrLevel(stderrLevel);
        testing::internal::CaptureStderr();
        Lumo::Log::Write(&logger, Lumo::Log::kFatal, Counted{&formatted});
        testing::internal::GetCapturedStderr();
    }
    EXPECT_EQ(formatted, 1) << "formatted only while an output took the level";
    Log_SetStderrLevel(0);
}

TEST(LumoLoggerWrapperDeathTest, LevelAboveFiveEndsTheProcess)
{
    LumoLoggerWrapper logger;
    EXPECT_DEATH(logger.CreateRecord(6), "NOT_REACHED apps/lifecycle/lumo/_virtual_includes/headers/logger:102");
    EXPECT_DEATH(LumoLoggerWrapper::Record record(9), "NOT_REACHED apps/lifecycle/lumo/_virtual_includes/headers/logger:79");
}
