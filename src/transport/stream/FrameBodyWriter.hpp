// FrameBodyWriter: chunked transfer coding of body pieces.
//
// A Writer is the gather list of one framed piece: the length in lower-case hex, CRLF, the
// bytes, CRLF; an empty piece gives the last chunk "0\r\n\r\n". The list points into the
// Writer and at the piece, so both must stay in place until the write completes.
// Not thread-safe; one Writer per piece in flight.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "util/Asio.hpp"

namespace Lumo::Transport::Http::HttpDetail {

struct FrameBodyWriter {
    class Writer {
    public:
        using Buffers = std::array<boost::asio::const_buffer, 4>;

        // Frames `piece`; the bytes are not copied.
        explicit Writer(boost::asio::const_buffer piece = {});

        // Re-frames this Writer for `piece`, reusing it for the next chunk.
        void Reset(boost::asio::const_buffer piece);

        // The framed piece as one gather list.
        Buffers GatherList() const noexcept;

        // The hex digits of the chunk length.
        std::string_view LengthDigits() const noexcept { return {digits_, digitCount_}; }

        std::size_t PayloadSize() const noexcept { return piece_.size(); }

    private:
        boost::asio::const_buffer piece_;
        // "%llx" of a 64-bit length is at most 16 digits.
        char digits_[17];
        std::size_t digitCount_ = 0;
    };

    // The bytes of the last chunk of a body.
    static constexpr std::string_view kLastChunk = "0\r\n\r\n";
};

}  // namespace Lumo::Transport::Http::HttpDetail
