#include <gtest/gtest.h>

#include "platform/host/FeatureState.hpp"
#include "platform/host/FeatureTable.hpp"
#include "support/LogCapture.hpp"
#include "support/TempDir.hpp"

namespace {

class FeatureStateTest : public ::testing::Test {
protected:
    TestSupport::EmptyHostRoot root_;
};

TEST_F(FeatureStateTest, FeaturesAreFoundByNameAndPositionUnknownOnesAreDisabledAndLogged)
{
    root_.Write(kFeaturesPath,
                "# position name state\n"
                "34  HostApiKeys   enabled\n"
                "43\tQuickPatchLive disabled\n"
                "0 First enabled\n"
                "255 Last enabled\n");
    FeatureState_InitSilentMode();

    for (const size_t position : {size_t{34}, size_t{0}, FeatureTable::kSize - 1}) {
        EXPECT_TRUE(FeatureList::IsEnabled(position)) << position;
    }
    // 44 is an empty position; the last two are outside the table.
    for (const size_t position : {size_t{43}, size_t{44}, FeatureTable::kSize, static_cast<size_t>(-1)}) {
        EXPECT_FALSE(FeatureList::IsEnabled(position)) << position;
    }
    EXPECT_TRUE(GetFeatureState_Slow("HostApiKeys"));
    EXPECT_EQ(FeatureState_Find("QuickPatchLive"), false);
    EXPECT_EQ(FeatureState_Find("hostapikeys"), std::nullopt) << "names are case-sensitive";
    EXPECT_EQ(FeatureState_Find(nullptr), std::nullopt);

    LogCapture log;
    EXPECT_FALSE(GetFeatureState_Slow("Unheard"));
    EXPECT_TRUE(log.Has("unknown feature 'Unheard'"));
}

TEST_F(FeatureStateTest, MalformedLinesAreSkippedAndLogged)
{
    root_.Write(kFeaturesPath,
                "256 TooFar enabled\n"      // 1: position out of range
                "-1 Negative enabled\n"     // 2
                "x NotANumber enabled\n"    // 3
                "5 BadState on\n"           // 4
                "6 Extra enabled please\n"  // 5
                "7 9Digit enabled\n"        // 6: a name starts with a letter
                "8 Good enabled\n"          // 7
                "8 SamePosition enabled\n"  // 8
                "9 Good disabled\n"         // 9: same name
                "10 Missing\n"              // 10
                "11 Other disabled\n");     // 11
    LogCapture log;
    FeatureState_InitSilentMode();

    EXPECT_TRUE(FeatureList::IsEnabled(8));
    EXPECT_TRUE(GetFeatureState_Slow("Good")) << "the first line of a name stays";
    EXPECT_EQ(FeatureState_Find("Other"), false);
    for (const char* name :
         {"TooFar", "Negative", "NotANumber", "BadState", "Extra", "9Digit", "SamePosition"}) {
        EXPECT_EQ(FeatureState_Find(name), std::nullopt) << name;
    }
    for (int line = 1; line <= 11; ++line) {
        EXPECT_EQ(log.Has(":" + std::to_string(line) + " "), line != 7 && line != 11) << "line " << line;
    }
}

TEST_F(FeatureStateTest, AMissingOrUnreadableFileDisablesEverythingAndSaysWhy)
{
    const std::string local = root_.File(kFeaturesPath);
    for (const bool directory : {false, true}) {
        root_.Write(kFeaturesPath, "34 HostApiKeys enabled\n");
        FeatureState_InitSilentMode();
        ASSERT_TRUE(FeatureList::IsEnabled(34));

        std::filesystem::remove(local);
        if (directory) std::filesystem::create_directory(local);
        LogCapture log;
        FeatureState_InitSilentMode();
        EXPECT_FALSE(FeatureList::IsEnabled(34)) << directory;
        EXPECT_EQ(FeatureState_Find("HostApiKeys"), std::nullopt) << directory;
        EXPECT_TRUE(log.Has(directory ? "cannot read " + local + " (not a regular file)"
                                      : "cannot read " + local + " (No such file or directory)"));
        std::filesystem::remove(local);
    }
}

TEST_F(FeatureStateTest, SilentModeLogsNothingForAGoodFileAndDeltaModeLogsChanges)
{
    root_.Write(kFeaturesPath,
                "1 Steady enabled\n2 TurnsOff enabled\n3 TurnsOn disabled\n4 Dropped enabled\n");
    {
        LogCapture silent;
        FeatureState_InitSilentMode();
        EXPECT_EQ(silent.Take(), "");
    }
    root_.Write(
        kFeaturesPath,
        "1 Steady enabled\n2 TurnsOff disabled\n3 TurnsOn enabled\n5 Added enabled\n6 AddedOff disabled\n");
    LogCapture delta;
    FeatureState_InitDeltaMode();
    const std::string text = delta.Take();

    EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 4) << text;
    for (const char* change : {"TurnsOff is now disabled", "TurnsOn is now enabled", "Added is now enabled",
                               "Dropped is no longer listed"}) {
        EXPECT_NE(text.find(change), std::string::npos) << change;
    }
    EXPECT_TRUE(FeatureList::IsEnabled(3));
    EXPECT_FALSE(FeatureList::IsEnabled(4));
}

}  // namespace
