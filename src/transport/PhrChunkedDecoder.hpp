// PhrChunkedDecoder: decodes a chunked request body in place, one read at a time. One per
// body stream, which owns it; not thread-safe. The decoder keeps its position in the framing
// between calls, so the input may be split anywhere.
//
// Limits: a chunk size has at most kMaxSizeDigits hex digits; a chunk-size line (size and
// extensions, without CRLF) at most kMaxChunkLineBytes bytes; the trailer section at most
// kMaxTrailerBytes bytes; the payload of the whole body at most the allowance given at
// construction. A chunk size is checked against what is left of the allowance before any of
// it is accepted. Extensions are checked for valid bytes and ignored; trailers are checked
// as field lines and skipped.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

#include <boost/system/error_code.hpp>

namespace Lumo::Transport::PicoHttp {

class PhrChunkedDecoder {
public:
    static constexpr std::size_t kMaxSizeDigits = 16;
    static constexpr std::size_t kMaxChunkLineBytes = 1024;
    static constexpr std::size_t kMaxTrailerBytes = 4096;

    enum class State {
        NeedMore,  // the body goes on: pass the next bytes read
        Done,      // the last chunk and the trailers were read
        Failed,    // the framing is broken or the body is too long
    };

    struct Result {
        State state = State::NeedMore;
        // Payload bytes now at the front of the buffer.
        std::size_t payload = 0;
        // Done: the number of bytes at the end of the buffer that follow the body (the start
        // of the next request), left where they were.
        std::size_t trailing = 0;
        // Failed: PicoHttp chunk_parse_error, or Http message_too_long when the payload would
        // exceed the allowance.
        boost::system::error_code error;
    };

    // A decoder for a body of at most `payloadAllowance` payload bytes.
    explicit PhrChunkedDecoder(std::uint64_t payloadAllowance);

    // Decodes the next bytes of the body, moving the payload among them to the front of
    // `buffer`. Once Done, every further byte is reported as trailing; once Failed, the
    // decoder stays Failed.
    Result Decode(std::span<char> buffer);

    // The payload bytes produced so far.
    std::uint64_t PayloadTotal() const { return total_; }

private:
    enum class Step {
        Size, ExtensionStart, Extension, SizeLf, Data, DataCr, DataLf,
        TrailerStart, TrailerName, TrailerValue, TrailerLf, EndLf, Finished, Broken,
    };

    // Advances the framing by one byte outside chunk data; false when the byte is refused.
    bool Feed(char c);
    bool FeedSizeLine(char c);
    bool FeedTrailer(char c);
    bool EndOfSizeDigits(char c);
    bool Fail(boost::system::error_code error);

    const std::uint64_t allowance_;
    std::uint64_t total_ = 0;
    std::uint64_t size_ = 0;       // the chunk size being read
    std::uint64_t chunkLeft_ = 0;  // data bytes of the current chunk still to come
    std::size_t digits_ = 0;
    std::size_t lineBytes_ = 0;
    std::size_t trailerBytes_ = 0;
    Step step_ = Step::Size;
    boost::system::error_code error_;
};

}  // namespace Lumo::Transport::PicoHttp
