// Content-Length conversion with its automatic base and its three kinds of refusal, and the
// diagnostic text of the server configuration.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "transport/HttpError.hpp"
#include "transport/ParseContentLength.hpp"
#include "transport/PicoHttpError.hpp"
#include "transport/ServerConfig.hpp"
#include "transport/ToolsCategory.hpp"

namespace Lumo::Transport::PicoHttp {
namespace {

TEST(ParseContentLength, ValuesAndRefusals)
{
    const std::pair<std::string, std::uint64_t> values[] = {
        {"0", 0}, {"2500000", 2500000}, {"010", 8}, {"0x10", 16}, {"0X1f", 31}, {"0000000000000000000000007", 7},
        {"18446744073709551615", UINT64_MAX}, {"0xFFFFFFFFFFFFFFFF", UINT64_MAX}, {"01777777777777777777777", UINT64_MAX}};
    for (const auto& [text, expected] : values) {
        std::uint64_t length = 12345;
        EXPECT_FALSE(ParseContentLength(text, length)) << text;
        EXPECT_EQ(length, expected) << text;
    }
    // Malformed text wins over the size of its digits; nothing is stored on a refusal.
    const std::pair<std::error_code, std::vector<std::string>> refusals[] = {
        {ToolsError::named_argument_not_found, {""}},
        {Http::Error::make_error_code(Http::Error::message_too_long),
         {"18446744073709551616", "99999999999999999999999", "0x10000000000000000",
          "02000000000000000000000"}},
        {Error::make_error_code(Error::invalid_request),
         {"99999999999999999999999x", "-1", "-18446744073709551606", "+5", " 5", "5 ", "\t5", "12abc", "0x",
          "08", "0xg", "1.5", "0x-1", std::string("5\0", 2)}}};
    for (const auto& [error, texts] : refusals) {
        for (const std::string& text : texts) {
            std::uint64_t length = 12345;
            EXPECT_EQ(ParseContentLength(text, length), error) << '"' << text << '"';
            EXPECT_EQ(length, 12345u) << '"' << text << '"';
        }
    }
}

TEST(ServerConfig, DiagnosticText)
{
    using namespace std::chrono_literals;
    EXPECT_EQ(FormatDuration(90s), "1 minutes and 30 seconds");
    EXPECT_EQ(FormatDuration(2us + 3ns), "2 microseconds and 3 nanoseconds");

    ServerConfig config;
    config.endpoint4 = {boost::asio::ip::address_v4::loopback(), 8307};
    config.endpoint6 = {boost::asio::ip::address_v6::loopback(), 8307};
    config.readTimeout = 1200s;
    config.writeTimeout = 1800s;
    config.httpBodySizeLimitInBytes = 2500000;
    EXPECT_EQ(config.ToString(),
              "ServerConfig{port:8307endpoint4:127.0.0.1:8307;endpoint6:[::1]:8307readTimeout:20 minutes"
              ";writeTimeout:30 minutes;httpBodySizeLimitInBytes:2500000count:0;Localizer not set");
}

}  // namespace
}  // namespace Lumo::Transport::PicoHttp
