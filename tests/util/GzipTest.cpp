#include <gtest/gtest.h>

#include "GzipTestData.hpp"
#include "util/Gzip.hpp"

namespace {

using LifeCycle::Gzip;
using UtilTest::GzipOf;

// A text that compresses well but not trivially: several output buffers long.
std::string SampleText(size_t size)
{
    std::string text(size, 'x');
    for (size_t i = 0; i < size; ++i) text[i] = static_cast<char>('a' + (i * 7 + i / 13) % 26);
    return text;
}

std::string DecompressError(std::string_view text, size_t maxOutput = Gzip::kDefaultMaxOutput)
{
    try {
        Gzip::Decompress(text, maxOutput);
    } catch (const LifeCycle::GzipError& error) {
        return error.what();
    }
    return "<no error>";
}

TEST(GzipTest, RoundTripsTextsOfAnySizeUpToTheOutputLimit)
{
    for (size_t size : {size_t{0}, size_t{1}, size_t{4095}, size_t{4096}, size_t{4097}, size_t{300000}}) {
        const std::string text = SampleText(size);
        EXPECT_EQ(Gzip::Decompress(GzipOf(text)), text) << "size " << size;
    }
    const std::string binary("\0\x1f\x8b\xff\n\0", 6);
    EXPECT_EQ(Gzip::Decompress(GzipOf(binary)), binary);

    // A bomb in miniature: 4 MiB of zeros compress to a few KiB.
    const std::string zeros(4 * 1024 * 1024, '\0');
    const std::string bomb = GzipOf(zeros);
    ASSERT_LT(bomb.size(), 10000u);
    EXPECT_EQ(DecompressError(bomb, 1024 * 1024), "decompressed size exceeds 1048576 bytes");
    EXPECT_EQ(Gzip::Decompress(bomb, zeros.size()).size(), zeros.size());
    EXPECT_EQ(DecompressError(GzipOf(SampleText(4097)), 4096), "decompressed size exceeds 4096 bytes");
}

TEST(GzipTest, TruncatedOrCorruptStreamsAreRefusedWithTheirCause)
{
    const std::string compressed = GzipOf(SampleText(50000));
    // Cut in the header, in the body and in the 8-byte trailer.
    for (size_t cut :
         {size_t{5}, size_t{12}, compressed.size() / 2, compressed.size() - 8, compressed.size() - 1}) {
        const std::string error = DecompressError(std::string_view(compressed).substr(0, cut));
        EXPECT_TRUE(error.find("truncated") != std::string::npos || error.find("header") != std::string::npos)
            << "cut at " << cut << ": " << error;
    }
    std::string badCrc = compressed;
    badCrc[badCrc.size() - 6] ^= 0x01;  // inside the CRC-32 of the trailer
    EXPECT_EQ(DecompressError(badCrc), "gzip checksum mismatch");
    std::string badMethod = compressed;
    badMethod[2] = 0x07;  // only deflate (8) exists
    EXPECT_NE(DecompressError(badMethod), "<no error>");
    EXPECT_NE(DecompressError("\x1f\x8b\x08\x00\x00\x00\x00\x00\x00\x03" + std::string(64, '\xff')),
              "<no error>");
}

}  // namespace
