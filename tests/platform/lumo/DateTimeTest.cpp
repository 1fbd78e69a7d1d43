#include <gtest/gtest.h>

#include "platform/lumo/DateTime.hpp"

namespace Lumo {
namespace {

TEST(DateTimeTest, ParsesToUtcWithMilliseconds)
{
    struct Row {
        const char* text;
        const char* formatted;
    } rows[] = {
        {"2024-02-29T23:59:58.123Z", "2024-02-29T23:59:58.123Z"},
        // Fraction digits past milliseconds are dropped, not rounded.
        {"2000-01-01T00:00:00.999999999Z", "2000-01-01T00:00:00.999Z"},
        {"2024-01-01T10:00:00+00:00", "2024-01-01T10:00:00.000Z"},
        {"2024-01-01T10:30:00+02:00", "2024-01-01T08:30:00.000Z"},
        {"2023-12-31T23:00:00-01:00", "2024-01-01T00:00:00.000Z"},
    };
    for (const Row& row : rows) {
        auto time = DateTime::Create(row.text);
        ASSERT_TRUE(time) << row.text;
        EXPECT_EQ(time->ToString(), row.formatted) << row.text;
    }
    EXPECT_EQ(DateTime::Create("1970-01-01T00:00:00Z")->UnixMilliseconds(), 0);
    EXPECT_EQ(DateTime::Create("1970-01-01T00:00:01.5Z")->UnixMilliseconds(), 1500);
    EXPECT_EQ(DateTime::Create("1969-12-31T23:59:59.999Z")->UnixMilliseconds(), -1);
    // The clock is read to the millisecond, so the current time survives its own text.
    DateTime now = DateTime::GetUtcDateTime();
    EXPECT_EQ(DateTime::Create(now.ToString()), now);
}

TEST(DateTimeTest, RefusesMalformedAndImpossibleTimes)
{
    for (const char* text :
         {"", "2024-01-01", "2024-01-01T00:00:00", "2024-01-01 00:00:00Z", "2024-1-01T00:00:00Z",
          "2024-01-01T00:00:00.Z", "2024-01-01T00:00:00.1234567890Z", "2024-01-01T00:00:00Zjunk",
          "2023-02-29T00:00:00Z", "2024-13-01T00:00:00Z", "2024-04-31T00:00:00Z", "2024-01-01T24:00:00Z",
          "2024-01-01T00:60:00Z", "2024-01-01T00:00:60Z", "2024-01-01T00:00:00+0100",
          "2024-01-01T00:00:00+24:00", "+024-01-01T00:00:00Z", "0000-01-01T00:00:00+01:00",
          "2024-01-01t00:00:00z"}) {
        EXPECT_FALSE(DateTime::Create(text)) << text;
    }
}

}  // namespace
}  // namespace Lumo
