#include <gtest/gtest.h>

#include "platform/host/Preference.hpp"
#include "support/LogCapture.hpp"
#include "support/TempDir.hpp"

namespace {

class PreferenceTest : public ::testing::Test {
protected:
    TestSupport::EmptyHostRoot root_;
};

TEST_F(PreferenceTest, ReadsKeysWithCommentsBlanksAndQuotes)
{
    root_.Write(kPreferencesPath,
                "# host preferences\n\n"
                "libdir = /opt/orvane/lib//\n"
                "  motd=\"  spaced text  \"  \n"
                "empty =\n"
                "url = http://host/a=b\n");
    Preference_Init();

    EXPECT_EQ(Preference_GetPathName("libdir", "/usr/lib/orvane"), "/opt/orvane/lib");
    EXPECT_EQ(Preference_GetString("motd", ""), "  spaced text  ");
    EXPECT_EQ(Preference_GetString("url", ""), "http://host/a=b") << "only the first '=' separates";
    EXPECT_EQ(Preference_GetString("empty", "default"), "") << "an empty value is still a value";
    EXPECT_EQ(Preference_GetPathName("empty", "/usr/lib/orvane/"), "/usr/lib/orvane")
        << "an empty path takes the default";
    EXPECT_EQ(Preference_GetString("LIBDIR", "none"), "none") << "keys are case-sensitive";
}

TEST_F(PreferenceTest, MalformedLinesAreSkippedAndLoggedTheRestIsKept)
{
    root_.Write(
        kPreferencesPath,
        "no separator here\n= orphan value\nbad key = 1\nlibdir = /first\nlibdir = /second\ngood = yes\n");
    LogCapture log;
    Preference_Init();

    EXPECT_EQ(Preference_GetString("good", ""), "yes");
    EXPECT_EQ(Preference_GetPathName("libdir", ""), "/first");
    EXPECT_EQ(Preference_GetString("bad key", "unset"), "unset");
    for (int line = 1; line <= 6; ++line) {
        EXPECT_EQ(log.Has(":" + std::to_string(line) + " "), line != 4 && line != 6) << "line " << line;
    }
}

TEST_F(PreferenceTest, AMissingFileGivesDefaultsAndReplacesAnEarlierReading)
{
    root_.Write(kPreferencesPath, "libdir = /custom\n");
    Preference_Init();
    ASSERT_EQ(Preference_GetPathName("libdir", "/usr/lib/orvane"), "/custom");

    std::filesystem::remove(root_.File(kPreferencesPath));
    LogCapture log;
    Preference_Init();
    EXPECT_EQ(Preference_GetPathName("libdir", "/usr/lib/orvane"), "/usr/lib/orvane");
    EXPECT_TRUE(log.Has("using defaults"));
}

}  // namespace
