#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <memory>
#include <regex>
#include <string>

#include "platform/host/UUID.hpp"

namespace {

// Distinct values are shown by the tickets, which are made of them.
TEST(UUIDTest, RandomUuidsAreVersionFourText)
{
    const std::regex version4("[0-9a-f]{8}-[0-9a-f]{4}-4[0-9a-f]{3}-[89ab][0-9a-f]{3}-[0-9a-f]{12}");
    for (int i = 0; i < 20; ++i) {
        const std::unique_ptr<char, decltype(&std::free)> text(UUID_CreateRandom(), &std::free);
        ASSERT_NE(text, nullptr);
        EXPECT_TRUE(std::regex_match(text.get(), version4)) << text.get();
    }
}

TEST(UUIDTest, OnlyTheExactTextFormPacksInTextOrder)
{
    UUIDBytes bytes{};
    const char* mixedCase = "00112233-4455-6677-8899-AaBbCcDdEeFf";
    ASSERT_TRUE(UUID_PackText(mixedCase, std::strlen(mixedCase), &bytes));
    const UUIDBytes expected = {0x00, 0x11, 0x22, 0x33, 0x44, 0x55, 0x66, 0x77,
                                0x88, 0x99, 0xaa, 0xbb, 0xcc, 0xdd, 0xee, 0xff};
    EXPECT_EQ(bytes, expected);

    const std::string good = "123e4567-e89b-12d3-a456-426614174000";
    // The length decides, not a NUL: the first 36 bytes of a longer buffer are one UUID.
    EXPECT_TRUE(UUID_PackText((good + "trailing").c_str(), good.size()));
    EXPECT_FALSE(UUID_PackText(nullptr, 36));
    const std::pair<std::string, const char*> refused[] = {
        {"", "empty"},
        {good.substr(0, 35), "one digit short"},
        {good + "0", "one digit long"},
        {"{" + good + "}", "braces"},
        {"123e4567e89b12d3a456426614174000", "no dashes"},
        {"123e4567-e89b-12d3-a456-42661417400g", "not a hex digit"},
        {"123e456-7e89b-12d3-a456-426614174000", "dash moved"},
        {"123e4567-e89b-12d3-a456 426614174000", "blank for a dash"},
        {" 123e4567-e89b-12d3-a456-42661417400", "leading blank"},
    };
    for (const auto& [text, why] : refused) {
        UUIDBytes untouched{};
        untouched.fill(0x5a);
        UUIDBytes out = untouched;
        EXPECT_FALSE(UUID_PackText(text.c_str(), text.size(), &out)) << why;
        EXPECT_EQ(out, untouched) << "a refused text leaves the output alone: " << why;
    }
}

}  // namespace
