// The diagnostic text of the server configuration and of durations.
#include <gtest/gtest.h>

#include "transport/ServerConfig.hpp"

using namespace std::chrono_literals;
using Lumo::Transport::PicoHttp::FormatDuration;
using Lumo::Transport::PicoHttp::ServerConfig;

TEST(ServerConfig, FormatsDurationsInTheirLargestExactUnits)
{
    EXPECT_EQ(FormatDuration(1200s), "20 minutes");
    EXPECT_EQ(FormatDuration(1800s), "30 minutes");
    EXPECT_EQ(FormatDuration(90s), "1 minutes and 30 seconds");
    EXPECT_EQ(FormatDuration(1500ms), "1 seconds and 500 milliseconds");
    EXPECT_EQ(FormatDuration(2us + 3ns), "2 microseconds and 3 nanoseconds");
    EXPECT_EQ(FormatDuration(0ns), "0 nanoseconds");
}

TEST(ServerConfig, PrintsEveryFieldInOrder)
{
    ServerConfig config;
    config.endpoint4 = {boost::asio::ip::address_v4::loopback(), 8307};
    config.endpoint6 = {boost::asio::ip::address_v6::loopback(), 8307};
    config.readTimeout = 1200s;
    config.writeTimeout = 1800s;
    config.httpBodySizeLimitInBytes = 2500000;
    EXPECT_EQ(config.ToString(),
              "ServerConfig{port:8307endpoint4:127.0.0.1:8307;endpoint6:[::1]:8307readTimeout:20 minutes"
              ";writeTimeout:30 minutes;httpBodySizeLimitInBytes:2500000count:0;Localizer not set}");
}
