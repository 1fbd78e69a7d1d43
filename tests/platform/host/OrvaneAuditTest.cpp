#include <gtest/gtest.h>
#include <rapidjson/document.h>
#include <unistd.h>

#include <filesystem>
#include <regex>
#include <sstream>
#include <thread>
#include <vector>

#include "LogCapture.hpp"
#include "TempHostRoot.hpp"
#include "platform/host/OrvaneAudit.hpp"

namespace {

class OrvaneAuditTest : public ::testing::Test {
protected:
    // Every line of the audit file, each parsed as one JSON document.
    std::vector<rapidjson::Document> Records() const
    {
        std::vector<rapidjson::Document> records;
        std::istringstream text(root_.Read(kAuditLogPath));
        for (std::string line; std::getline(text, line);) {
            rapidjson::Document record;
            record.Parse(line.c_str(), line.size());
            EXPECT_FALSE(record.HasParseError()) << line.substr(0, 200);
            records.push_back(std::move(record));
        }
        return records;
    }

    TempHostRoot root_;
};

TEST_F(OrvaneAuditTest, ARecordIsOneJsonLineWithItsTypedItems)
{
    ASSERT_TRUE(OrvaneAudit_LogList("service.password.use", "bob", "hostprefd", false,
                                    {{"ip", "127.0.0.1"},
                                     {"attempts", 3},
                                     {"big", int64_t{1} << 40},
                                     {"locked", true},
                                     {"reason", std::string("Invalid username or password")}}));
    const auto records = Records();
    ASSERT_EQ(records.size(), 1u);
    const rapidjson::Document& record = records[0];

    EXPECT_STREQ(record["event"].GetString(), "service.password.use");
    EXPECT_STREQ(record["subject"].GetString(), "bob");
    EXPECT_STREQ(record["object"].GetString(), "hostprefd");
    EXPECT_TRUE(record["success"].IsFalse());
    EXPECT_EQ(record["pid"].GetInt(), getpid());
    EXPECT_TRUE(std::regex_match(record["time"].GetString(),
                                 std::regex(R"(\d{4}-\d\d-\d\dT\d\d:\d\d:\d\d\.\d{3}Z)")));
    const auto& items = record["items"];
    ASSERT_TRUE(items.IsObject());
    EXPECT_EQ(items.MemberCount(), 5u);
    EXPECT_STREQ(items["ip"].GetString(), "127.0.0.1");
    EXPECT_EQ(items["attempts"].GetInt64(), 3);
    EXPECT_EQ(items["big"].GetInt64(), int64_t{1} << 40);
    EXPECT_TRUE(items["locked"].IsTrue());
    EXPECT_STREQ(items["reason"].GetString(), "Invalid username or password");
}

TEST_F(OrvaneAuditTest, HostileStringsRoundTripOrAreMadeSafe)
{
    using namespace std::string_literals;
    const std::string kept[] = {
        "quote \" and backslash \\ and slash /",    "line\nbreak\r\ttab",
        "controls \x01\x1f\x7f and NUL \0 inside"s, "caf\xC3\xA9 \xE2\x82\xAC \xF0\x9F\x98\x80",
        "\"},\"success\":true,\"x\":{\"",           "\\u0041 stays text",
    };
    std::vector<AuditItem> items;
    for (size_t i = 0; i < std::size(kept); ++i) {
        items.emplace_back("k" + std::to_string(i), kept[i]);
    }
    items.emplace_back("bad1",
                       "a\xFF"
                       "b");
    items.emplace_back("bad2", "lone \xC3");
    items.emplace_back("bad3", "surrogate \xED\xA0\x80!");
    items.emplace_back("na\"me\n", "odd key");
    ASSERT_TRUE(OrvaneAudit_LogList("api.call", "user\"\n", "svc:op", false, items));

    const std::string file = root_.Read(kAuditLogPath);
    EXPECT_EQ(std::count(file.begin(), file.end(), '\n'), 1) << "the record stays on one line";
    const auto records = Records();
    ASSERT_EQ(records.size(), 1u);
    const auto& parsed = records[0]["items"];
    for (size_t i = 0; i < std::size(kept); ++i) {
        const auto& value = parsed[("k" + std::to_string(i)).c_str()];
        EXPECT_EQ(std::string(value.GetString(), value.GetStringLength()), kept[i]) << i;
    }
    EXPECT_STREQ(parsed["bad1"].GetString(),
                 "a\xEF\xBF\xBD"
                 "b");
    EXPECT_STREQ(parsed["bad2"].GetString(), "lone \xEF\xBF\xBD");
    EXPECT_STREQ(parsed["bad3"].GetString(), "surrogate \xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD!");
    EXPECT_STREQ(parsed["na\"me\n"].GetString(), "odd key");
    EXPECT_STREQ(records[0]["subject"].GetString(), "user\"\n");
    EXPECT_TRUE(records[0]["success"].IsFalse()) << "an injected field does not override the real one";
}

TEST_F(OrvaneAuditTest, LongValuesAreCutAndMarked)
{
    const std::string huge = std::string(10, 'a') + std::string(3 * kAuditMaxValue, '\xC3');
    std::string accented;
    for (size_t i = 0; i < kAuditMaxValue; ++i) {
        accented += "\xC3\xA9";
    }
    ASSERT_TRUE(OrvaneAudit_LogList("api.call", std::string(2 * kAuditMaxValue, 's'), "o", true,
                                    {{"accented", accented}, {"junk", huge}}));
    const auto records = Records();
    ASSERT_EQ(records.size(), 1u);

    const std::string subject = records[0]["subject"].GetString();
    EXPECT_EQ(subject, std::string(kAuditMaxValue, 's') + "...[truncated]");
    const std::string cut = records[0]["items"]["accented"].GetString();
    EXPECT_EQ(cut, accented.substr(0, kAuditMaxValue) + "...[truncated]") << "cut between characters";
    const std::string junk = records[0]["items"]["junk"].GetString();
    EXPECT_LT(junk.size(), 3 * (kAuditMaxValue + 20));
}

TEST_F(OrvaneAuditTest, ARepeatedItemNameKeepsTheFirstValue)
{
    ASSERT_TRUE(
        OrvaneAudit_LogList("api.call", "s", "o", true, {{"ip", "first"}, {"ip", "second"}, {"n", 1}}));
    const auto records = Records();
    ASSERT_EQ(records.size(), 1u);
    EXPECT_EQ(records[0]["items"].MemberCount(), 2u);
    EXPECT_STREQ(records[0]["items"]["ip"].GetString(), "first");
}

TEST_F(OrvaneAuditTest, FailuresAreLoggedAndReturnedNeverFatal)
{
    LogCapture log;
    EXPECT_FALSE(OrvaneAudit_LogList("", "s", "o", true, {}));
    EXPECT_FALSE(std::filesystem::exists(HostRoot::Path(kAuditLogPath)))
        << "nothing is written without an event";

    // A directory where the file should be: the open fails.
    std::filesystem::create_directories(HostRoot::Path(kAuditLogPath));
    EXPECT_FALSE(OrvaneAudit_LogList("api.call", "s", "o", true, {}));
    const auto lines = log.Texts();

    EXPECT_TRUE(LogCapture::AnyContains(lines, "without an event id"));
    EXPECT_TRUE(LogCapture::AnyContains(lines, "Audit: cannot open"));
}

TEST_F(OrvaneAuditTest, ConcurrentWritersNeverInterleave)
{
    constexpr int kThreads = 8;
    constexpr int kRecords = 150;
    const std::string filler(6000, 'w');  // larger than a pipe buffer: torn writes would show
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([t, &filler] {
            for (int i = 0; i < kRecords; ++i) {
                OrvaneAudit_LogList("api.call", "thread" + std::to_string(t), "svc:op", true,
                                    {{"seq", i}, {"filler", filler.substr(0, 3000 + t * 100)}});
            }
        });
    }
    for (auto& thread : threads) {
        thread.join();
    }

    const auto records = Records();
    ASSERT_EQ(records.size(), static_cast<size_t>(kThreads * kRecords));
    std::vector<int> next(kThreads, 0);
    for (const auto& record : records) {
        ASSERT_TRUE(record.IsObject());
        const int thread = std::stoi(std::string(record["subject"].GetString()).substr(6));
        EXPECT_EQ(record["items"]["filler"].GetStringLength(), 3000u + thread * 100);
        EXPECT_EQ(record["items"]["seq"].GetInt(), next[thread]++);
    }
}

}  // namespace
