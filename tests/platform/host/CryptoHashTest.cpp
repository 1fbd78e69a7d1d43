#include <gtest/gtest.h>

#include <string>

#include "platform/host/CryptoHash.hpp"

namespace {

std::string Sha256Hex(const std::string& bytes) { return CryptoHash_ToHex(CryptoHash_ComputeSHA256(bytes)); }

TEST(CryptoHashTest, DigestsMatchTheStandardVectors)
{
    EXPECT_EQ(Sha256Hex(""), "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855");
    EXPECT_EQ(Sha256Hex("abc"), "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad");
    EXPECT_EQ(Sha256Hex("abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq"),
              "248d6a61d20638b8e5c026930c3e6039a33ce45964ff2167f6ecedd419db06c1");
    EXPECT_EQ(Sha256Hex(std::string(1000000, 'a')),
              "cdc76e5c9914fb9281a1c7e284d73e67f1809a48a497200e046d39ccc7112cd0");
}

TEST(CryptoHashTest, HexIsTwoLowercaseDigitsPerByteInOrder)
{
    const uint8_t bytes[] = {0x00, 0x0f, 0xf0, 0xff, 0x5a};
    EXPECT_EQ(CryptoHash_ToHex(bytes), "000ff0ff5a");
    EXPECT_EQ(CryptoHash_ToHex({}), "");
}

}  // namespace
