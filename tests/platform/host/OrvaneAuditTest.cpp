#include <gtest/gtest.h>
#include <rapidjson/document.h>
#include <unistd.h>

#include <filesystem>
#include <regex>
#include <sstream>
#include <thread>

#include "platform/host/OrvaneAudit.hpp"
#include "support/LogCapture.hpp"
#include "support/TempDir.hpp"

namespace {

class OrvaneAuditTest : public ::testing::Test {
protected:
    // Every line of the audit file, each parsed as one JSON document.
    std::vector<rapidjson::Document> Records() const
    {
        std::vector<rapidjson::Document> records;
        std::istringstream text(root_.Read(kAuditLogPath));
        for (std::string line; std::getline(text, line);) {
            records.emplace_back().Parse(line.c_str(), line.size());
            EXPECT_FALSE(records.back().HasParseError()) << line.substr(0, 200);
        }
        return records;
    }

    TestSupport::EmptyHostRoot root_;
};

TEST_F(OrvaneAuditTest, ARecordIsOneJsonLineWithItsTypedItemsFirstNameWins)
{
    ASSERT_TRUE(OrvaneAudit_LogList("service.password.use", "bob", "hostprefd", false,
                                    {{"ip", "127.0.0.1"},
                                     {"attempts", 3},
                                     {"big", int64_t{1} << 40},
                                     {"locked", true},
                                     {"reason", std::string("Invalid username or password")},
                                     {"ip", "second"}}));
    // The whole line, so field names, their order and the item types are all pinned.
    const std::regex line(
        R"(\{"event":"service\.password\.use","time":"\d{4}-\d\d-\d\dT\d\d:\d\d:\d\d\.\d{3}Z","pid":)" +
        std::to_string(getpid()) +
        R"(,"subject":"bob","object":"hostprefd","success":false,"items":\{"ip":"127\.0\.0\.1",)"
        R"("attempts":3,"big":1099511627776,"locked":true,"reason":"Invalid username or password"\}\}\n)");
    const std::string file = root_.Read(kAuditLogPath);
    EXPECT_TRUE(std::regex_match(file, line)) << file;
}

TEST_F(OrvaneAuditTest, HostileStringsRoundTripOrAreMadeSafe)
{
    using namespace std::string_literals;
    const std::string kept[] = {
        "quote \" and backslash \\ and slash /",    "line\nbreak\r\ttab",
        "controls \x01\x1f\x7f and NUL \0 inside"s, "caf\xC3\xA9 \xE2\x82\xAC \xF0\x9F\x98\x80",
        "\"},\"success\":true,\"x\":{\"",           "\\u0041 stays text",
    };
    const std::pair<std::string, std::string> replaced[] = {
        {"a\xFF"
         "b",
         "a\xEF\xBF\xBD"
         "b"},
        {"lone \xC3", "lone \xEF\xBF\xBD"},
        {"surrogate \xED\xA0\x80!", "surrogate \xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD!"},
    };
    std::vector<AuditItem> items;
    for (size_t i = 0; i < std::size(kept); ++i) items.emplace_back("k" + std::to_string(i), kept[i]);
    for (size_t i = 0; i < std::size(replaced); ++i) {
        items.emplace_back("bad" + std::to_string(i), replaced[i].first);
    }
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
    for (size_t i = 0; i < std::size(replaced); ++i) {
        EXPECT_EQ(parsed[("bad" + std::to_string(i)).c_str()].GetString(), replaced[i].second) << i;
    }
    EXPECT_STREQ(parsed["na\"me\n"].GetString(), "odd key");
    EXPECT_STREQ(records[0]["subject"].GetString(), "user\"\n");
    EXPECT_TRUE(records[0]["success"].IsFalse()) << "an injected field does not override the real one";
}

TEST_F(OrvaneAuditTest, LongValuesAreCutAndMarked)
{
    const std::string huge = std::string(10, 'a') + std::string(3 * kAuditMaxValue, '\xC3');
    std::string accented;
    for (size_t i = 0; i < kAuditMaxValue; ++i) accented += "\xC3\xA9";
    ASSERT_TRUE(OrvaneAudit_LogList("api.call", std::string(2 * kAuditMaxValue, 's'), "o", true,
                                    {{"accented", accented}, {"junk", huge}}));
    const auto records = Records();
    ASSERT_EQ(records.size(), 1u);
    EXPECT_EQ(std::string(records[0]["subject"].GetString()),
              std::string(kAuditMaxValue, 's') + "...[truncated]");
    EXPECT_EQ(std::string(records[0]["items"]["accented"].GetString()),
              accented.substr(0, kAuditMaxValue) + "...[truncated]")
        << "cut between characters";
    EXPECT_LT(records[0]["items"]["junk"].GetStringLength(), 3 * (kAuditMaxValue + 20));
}

TEST_F(OrvaneAuditTest, FailuresAreLoggedAndReturnedNeverFatal)
{
    LogCapture log;
    EXPECT_FALSE(OrvaneAudit_LogList("", "s", "o", true, {}));
    EXPECT_FALSE(std::filesystem::exists(root_.File(kAuditLogPath))) << "nothing is written without an event";
    // A directory where the file should be: the open fails.
    std::filesystem::create_directories(root_.File(kAuditLogPath));
    EXPECT_FALSE(OrvaneAudit_LogList("api.call", "s", "o", true, {}));
    EXPECT_TRUE(log.Has("without an event id"));
    EXPECT_TRUE(log.Has("Audit: cannot open"));
}

TEST_F(OrvaneAuditTest, ConcurrentWritersNeverInterleave)
{
    constexpr int kThreads = 8, kRecords = 150;
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
    for (auto& thread : threads) thread.join();
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
