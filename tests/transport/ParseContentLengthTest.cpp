// Content-Length conversion with its automatic base and its three kinds of refusal.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "transport/HttpError.hpp"
#include "transport/ParseContentLength.hpp"
#include "transport/PicoHttpError.hpp"
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

}  // namespace
}  // namespace Lumo::Transport::PicoHttp
