#include <gtest/gtest.h>

#include "platform/host/UtcTime.hpp"

namespace {

TEST(UtcTimeTest, FormatsUtcWithMilliseconds)
{
    using namespace std::chrono;
    const system_clock::time_point epoch{};
    EXPECT_EQ(UtcTime_Format(epoch), "1970-01-01T00:00:00.000Z");
    EXPECT_EQ(UtcTime_Format(epoch + seconds(1709251199) + milliseconds(7) + microseconds(999)),
              "2024-02-29T23:59:59.007Z");
    // Before 1970 the fraction still counts forward within its second.
    EXPECT_EQ(UtcTime_Format(epoch - milliseconds(1)), "1969-12-31T23:59:59.999Z");
    char date[11];
    EXPECT_EQ(UtcTime_Format(epoch, date, sizeof date), 10u);
    EXPECT_STREQ(date, "1970-01-01");
}

}  // namespace
