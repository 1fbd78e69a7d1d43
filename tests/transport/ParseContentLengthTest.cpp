// Content-Length conversion with its automatic base and its three kinds of refusal, the names and
// texts of the error categories, and the diagnostic text of the server configuration.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "platform/lumo/AsioCategory.hpp"
#include "platform/lumo/FormatCategory.hpp"
#include "platform/lumo/L10nCategory.hpp"
#include "platform/lumo/ProtocolCategory.hpp"
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

// Each category's name, the text of every code in order from 1, and the fallback text of
// every other code. These texts reach clients inside answers and log lines.
template <class Category>
void ExpectTexts(const Category& category, const std::string& name, const std::vector<std::string>& texts,
                 const std::string& other)
{
    SCOPED_TRACE(name);
    EXPECT_EQ(category.name(), name);
    for (std::size_t code = 1; code <= texts.size(); ++code)
        EXPECT_EQ(category.message(static_cast<int>(code)), texts[code - 1]) << code;
    for (int code : {0, static_cast<int>(texts.size()) + 1, -1}) EXPECT_EQ(category.message(code), other) << code;
}

TEST(ErrorCategories, NamesAndTexts)
{
    ExpectTexts(Error::transport_category(), "Lumo Transport PicoHttp",
                {"headers parse error", "chunk parse error", "http protocol error", "server failed to listen",
                 "invalid request", "incomplete body", "http headers too long"},
                "transport error");
    ExpectTexts(Http::Error::transport_category(), "Lumo Transport Http",
                {"frame parse error", "message too long", "end of body"}, "transport error");
    ExpectTexts(Provider::GetProtocolCategory(), "Lumo Protocol Error",
                {"Mismatching operation identifier in HTTP header and payload"}, "protocol error");
    ExpectTexts(Asio::GetAsioCategory(), "Lumo Asio Error", {"Buffer max len error"}, "asio error");
    ExpectTexts(L10n::GetL10nCategory(), "Lumo Localization Error",
                {"Requested locale not supported", "Requested format locale not supported",
                 "Incorrect value of accept-language or lumo-ctx-format-locale header",
                 "Default message formatter - no formatString", "Unknown message ID",
                 "Failed to load localization bundle", "Failed to localize ErrorValue"},
                "localization error");
    ExpectTexts(GetFormatCategory(), "Lumo Format Error",
                {"Named argument not found.", "Empty Named specifier found.", "More specifiers than expected."},
                "format error");
    ExpectTexts(ToolsCategory::Instance(), "Lumo Tools Error",
                {"Named argument not found.", "Empty Named specifier found."}, "tools error");
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
