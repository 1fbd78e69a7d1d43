#include <gtest/gtest.h>

#include <string>

#include "platform/host/CodeSet.hpp"
#include "platform/host/CryptoHash.hpp"

namespace {

TEST(CodeSetTest, Utf8IsValidatedStrictly)
{
    using namespace std::string_literals;
    const struct {
        std::string bytes;
        bool valid;
        const char* what;
    } cases[] = {
        {"", true, "empty"},
        {"plain ascii ~\x7f", true, "ASCII with DEL"},
        {"a\0b"s, true, "an embedded NUL is U+0000"},
        {"\xC2\x80", true, "U+0080, first two-byte"},
        {"\xE2\x82\xAC", true, "€"},
        {"\xED\x9F\xBF", true, "U+D7FF, last before the surrogates"},
        {"\xEE\x80\x80", true, "U+E000, first after the surrogates"},
        {"\xEF\xBF\xBF", true, "U+FFFF"},
        {"\xF4\x8F\xBF\xBF", true, "U+10FFFF, the last code point"},
        {"\xC0\xAF", false, "overlong '/' in two bytes"},
        {"\xE0\x9F\xBF", false, "overlong U+07FF"},
        {"\xF0\x8F\xBF\xBF", false, "overlong U+FFFF"},
        {"\xED\xA0\x80", false, "U+D800, a surrogate"},
        {"\xF4\x90\x80\x80", false, "U+110000"},
        {"\xF5\x80\x80\x80", false, "lead byte F5"},
        {"\xFF", false, "byte FF"},
        {"\x80", false, "a lone continuation byte"},
        {"ok\xF0\x9F\x98", false, "four-byte sequence cut short at the end"},
        {"\xE2\x28\xA1", false, "a bad second byte"},
        {"\xF0\x9F\x28\x80", false, "a bad third byte"},
        {"\xC3\xA9\xC3", false, "valid text then a dangling lead"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(CodeSet_Validate(c.bytes.data(), c.bytes.size(), "UTF-8"), c.valid) << c.what;
    }
}

TEST(CodeSetTest, LengthBoundsTheCheckAndNamesMatchWithoutCase)
{
    const char euro[] = "\xE2\x82\xAC";
    EXPECT_FALSE(CodeSet_Validate(euro, 2, "UTF-8")) << "a sequence must not run past the length";
    EXPECT_TRUE(CodeSet_Validate(euro, 0, "UTF-8"));
    EXPECT_TRUE(CodeSet_Validate(nullptr, 0, "UTF-8"));
    EXPECT_FALSE(CodeSet_Validate(nullptr, 1, "UTF-8"));

    EXPECT_TRUE(CodeSet_Validate("caf\xC3\xA9", 5, "utf8"));
    EXPECT_FALSE(CodeSet_Validate("caf\xC3\xA9", 5, "ASCII"));
    EXPECT_TRUE(CodeSet_Validate("cafe", 4, "us-ascii"));
    EXPECT_FALSE(CodeSet_Validate("cafe", 4, "ISO-8859-1")) << "an unknown code set validates nothing";
    EXPECT_FALSE(CodeSet_Validate("cafe", 4, nullptr));
}

TEST(CryptoHashTest, DigestsMatchTheStandardVectors)
{
    const std::pair<std::string, const char*> vectors[] = {
        {"", "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855"},
        {"abc", "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad"},
        {"abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq",
         "248d6a61d20638b8e5c026930c3e6039a33ce45964ff2167f6ecedd419db06c1"},
    };
    for (const auto& [input, digest] : vectors) {
        EXPECT_EQ(CryptoHash_ToHex(CryptoHash_ComputeSHA256(input)), digest) << input.substr(0, 20);
    }
}

}  // namespace
