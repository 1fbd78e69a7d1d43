// Content-Length conversion: the automatic base, and the three kinds of refusal with the
// categories that the transaction maps onto its answers.
#include "transport/ParseContentLength.hpp"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "transport/HttpError.hpp"
#include "transport/PicoHttpError.hpp"
#include "transport/ToolsCategory.hpp"

namespace Lumo::Transport::PicoHttp {
namespace {

TEST(ParseContentLength, ReadsTheNumberWithAutomaticBase)
{
    const std::pair<std::string, std::uint64_t> cases[] = {
        {"0", 0},   {"5", 5},     {"2500000", 2500000}, {"010", 8},           {"0x10", 16},
        {"0X1f", 31}, {"00", 0},  {"0000000000000000000000007", 7},           {"0x0", 0},
        {"18446744073709551615", 18446744073709551615u}, {"0xFFFFFFFFFFFFFFFF", 18446744073709551615u},
        {"01777777777777777777777", 18446744073709551615u},
    };
    for (const auto& [text, expected] : cases) {
        std::uint64_t length = 12345;
        EXPECT_FALSE(ParseContentLength(text, length)) << text;
        EXPECT_EQ(length, expected) << text;
    }
}

TEST(ParseContentLength, RefusesMalformedValues)
{
    for (const std::string& text : std::vector<std::string>{"-1", "+5", "-18446744073709551606", " 5", "5 ", "\t5", "5\r", "12abc", "0x",
                                   "08", "0xg", "1.5", "1e3", "5,5", "0x-1", std::string("5\0", 2)}) {
        std::uint64_t length = 12345;
        const std::error_code error = ParseContentLength(text, length);
        EXPECT_EQ(error, std::error_code(Error::make_error_code(Error::invalid_request))) << text;
        EXPECT_EQ(error.message(), "invalid request");
        EXPECT_EQ(length, 12345u) << "unchanged on failure: " << text;
    }
}

TEST(ParseContentLength, TellsAnEmptyValueAndAnOverflowApart)
{
    std::uint64_t length = 0;
    const std::error_code empty = ParseContentLength("", length);
    EXPECT_EQ(empty, ToolsError::named_argument_not_found);
    EXPECT_STREQ(empty.category().name(), "Lumo Tools Error");

    for (const char* text : {"18446744073709551616", "99999999999999999999999", "0x10000000000000000",
                             "02000000000000000000000"}) {
        const std::error_code overflow = ParseContentLength(text, length);
        EXPECT_EQ(overflow, std::error_code(Http::Error::make_error_code(Http::Error::message_too_long))) << text;
        EXPECT_STREQ(overflow.category().name(), "Lumo Transport Http");
    }
    // Malformed text wins over the size of its digits.
    EXPECT_EQ(ParseContentLength("99999999999999999999999x", length).message(), "invalid request");
}

TEST(TransportErrorCategories, GiveTheirTextsAndAFallback)
{
    const auto& pico = Error::transport_category();
    EXPECT_STREQ(pico.name(), "Lumo Transport PicoHttp");
    EXPECT_EQ(pico.message(1), "headers parse error");
    EXPECT_EQ(pico.message(7), "http headers too long");
    EXPECT_EQ(pico.message(8), "transport error");
    EXPECT_EQ(pico.message(0), "transport error");

    const auto& http = Http::Error::transport_category();
    EXPECT_STREQ(http.name(), "Lumo Transport Http");
    EXPECT_EQ(http.message(3), "end of body");
    EXPECT_EQ(http.message(4), "transport error");
    EXPECT_NE(&pico, &http);

    EXPECT_EQ(ToolsCategory::Instance().message(2), "Empty Named specifier found.");
    EXPECT_EQ(ToolsCategory::Instance().message(3), "tools error");
    // The same code in two categories is two different errors.
    EXPECT_NE(Error::make_error_code(Error::chunk_parse_error), Http::Error::make_error_code(Http::Error::message_too_long));
}

}  // namespace
}  // namespace Lumo::Transport::PicoHttp
