#include "util/Gzip.hpp"

#include <boost/iostreams/device/array.hpp>
#include <boost/iostreams/filter/gzip.hpp>
#include <boost/iostreams/filtering_streambuf.hpp>
#include <ios>

namespace LifeCycle {

namespace {

namespace io = boost::iostreams;

constexpr int kGzipWindowBits = 15;
constexpr std::streamsize kGzipBufferSize = 4096;

std::string ZlibErrorText(int code)
{
    // zlib reports a body cut short as a buffer error: it needed more input than there was.
    if (code == io::zlib::buf_error) {
        return "compressed data ends early or is corrupt (truncated stream)";
    }
    return "corrupt compressed data (zlib error " + std::to_string(code) + ")";
}

std::string GzipErrorText(const io::gzip_error& error)
{
    switch (error.error()) {
        case io::gzip::bad_header:
            return "malformed gzip header";
        case io::gzip::bad_footer:
            return "malformed or missing gzip trailer (truncated stream)";
        case io::gzip::bad_crc:
            return "gzip checksum mismatch";
        case io::gzip::bad_length:
            return "gzip length mismatch";
        case io::gzip::bad_method:
            return "unsupported gzip compression method";
        case io::gzip::zlib_error:
            return ZlibErrorText(error.zlib_error_code());
        default:
            return "gzip error " + std::to_string(error.error());
    }
}

}  // namespace

bool Gzip::HasSignature(std::string_view text)
{
    return text.size() > 2 && static_cast<unsigned char>(text[0]) == 0x1F &&
           static_cast<unsigned char>(text[1]) == 0x8B;
}

std::string Gzip::Decompress(std::string_view text, size_t maxOutput)
{
    std::string out;
    try {
        io::filtering_streambuf<io::input> inflated;
        inflated.push(io::gzip_decompressor(kGzipWindowBits, kGzipBufferSize));
        inflated.push(io::array_source(text.data(), text.size()));

        char chunk[kGzipBufferSize];
        for (;;) {
            const std::streamsize got = inflated.sgetn(chunk, sizeof chunk);
            if (got <= 0) {
                break;
            }
            // Refuse before growing the buffer, so the limit bounds memory and not just the result.
            if (out.size() + static_cast<size_t>(got) > maxOutput) {
                throw GzipError("decompressed size exceeds " + std::to_string(maxOutput) + " bytes");
            }
            out.append(chunk, static_cast<size_t>(got));
        }
    } catch (const io::gzip_error& error) {
        throw GzipError(GzipErrorText(error));
    } catch (const io::zlib_error& error) {
        throw GzipError(ZlibErrorText(error.error()));
    } catch (const std::ios_base::failure& error) {
        throw GzipError(std::string("gzip read failed: ") + error.what());
    }
    return out;
}

}  // namespace LifeCycle
