#include "transport/PhrChunkedDecoder.hpp"

#include <algorithm>
#include <cstring>

#include "transport/HttpError.hpp"
#include "transport/HttpSyntax.hpp"
#include "transport/PicoHttpError.hpp"

namespace Lumo::Transport::PicoHttp {

using namespace Syntax;

PhrChunkedDecoder::PhrChunkedDecoder(std::uint64_t payloadAllowance) : allowance_(payloadAllowance) {}

PhrChunkedDecoder::Result PhrChunkedDecoder::Decode(std::span<char> buffer)
{
    std::size_t in = 0;
    std::size_t out = 0;
    while (in < buffer.size() && step_ != Step::Finished && step_ != Step::Broken) {
        if (step_ == Step::Data) {
            const auto n = static_cast<std::size_t>(std::min<std::uint64_t>(chunkLeft_, buffer.size() - in));
            std::memmove(buffer.data() + out, buffer.data() + in, n);
            in += n;
            out += n;
            chunkLeft_ -= n;
            total_ += n;
            if (chunkLeft_ == 0) {
                step_ = Step::DataCr;
            }
            continue;
        }
        Feed(buffer[in++]);
    }
    switch (step_) {
        case Step::Finished: return {State::Done, out, buffer.size() - in, {}};
        case Step::Broken: return {State::Failed, out, 0, error_};
        default: return {State::NeedMore, out, 0, {}};
    }
}

bool PhrChunkedDecoder::Fail(boost::system::error_code error)
{
    error_ = error;
    step_ = Step::Broken;
    return false;
}

bool PhrChunkedDecoder::Feed(char c)
{
    switch (step_) {
        case Step::Size:
        case Step::ExtensionStart:
        case Step::Extension:
        case Step::SizeLf:
            return FeedSizeLine(c);
        case Step::DataCr:
            step_ = Step::DataLf;
            return c == '\r' || Fail(Error::make_error_code(Error::chunk_parse_error));
        case Step::DataLf:
            step_ = Step::Size;
            return c == '\n' || Fail(Error::make_error_code(Error::chunk_parse_error));
        default:
            return FeedTrailer(c);
    }
}

// chunk-size [ BWS ";" chunk-ext ] CRLF
bool PhrChunkedDecoder::FeedSizeLine(char c)
{
    const auto parseError = Error::make_error_code(Error::chunk_parse_error);
    if (step_ == Step::SizeLf) {
        if (c != '\n') return Fail(parseError);
        if (size_ == 0) {
            step_ = Step::TrailerStart;
        } else {
            chunkLeft_ = size_;
            step_ = Step::Data;
        }
        size_ = 0;
        digits_ = 0;
        lineBytes_ = 0;
        return true;
    }
    if (c != '\r' && ++lineBytes_ > kMaxChunkLineBytes) {
        return Fail(parseError);
    }
    if (step_ == Step::Size) {
        const int digit = HexValue(c);
        if (digit < 0) return EndOfSizeDigits(c);
        // 16 hex digits fill 64 bits exactly, so the value cannot wrap.
        if (++digits_ > kMaxSizeDigits) return Fail(parseError);
        size_ = size_ * 16 + static_cast<std::uint64_t>(digit);
        return true;
    }
    if (c == '\r' && step_ == Step::Extension) {
        step_ = Step::SizeLf;
        return true;
    }
    if (step_ == Step::ExtensionStart) {
        if (c == ';') step_ = Step::Extension;
        return IsBlank(c) || c == ';' || Fail(parseError);
    }
    return IsFieldValueChar(c) || Fail(parseError);
}

bool PhrChunkedDecoder::EndOfSizeDigits(char c)
{
    if (digits_ == 0) {
        return Fail(Error::make_error_code(Error::chunk_parse_error));
    }
    // total_ never exceeds the allowance, so the subtraction cannot wrap.
    if (size_ > allowance_ - total_) {
        return Fail(Http::Error::make_error_code(Http::Error::message_too_long));
    }
    if (c == '\r') {
        step_ = Step::SizeLf;
        return true;
    }
    if (c == ';') {
        step_ = Step::Extension;
        return true;
    }
    step_ = Step::ExtensionStart;
    return IsBlank(c) || Fail(Error::make_error_code(Error::chunk_parse_error));
}

// trailer-section = *( field-line CRLF ) CRLF
bool PhrChunkedDecoder::FeedTrailer(char c)
{
    const auto parseError = Error::make_error_code(Error::chunk_parse_error);
    if (++trailerBytes_ > kMaxTrailerBytes) {
        return Fail(parseError);
    }
    switch (step_) {
        case Step::TrailerStart:
            if (c == '\r') {
                step_ = Step::EndLf;
                return true;
            }
            step_ = Step::TrailerName;
            return IsTokenChar(c) || Fail(parseError);
        case Step::TrailerName:
            if (c == ':') {
                step_ = Step::TrailerValue;
                return true;
            }
            return IsTokenChar(c) || Fail(parseError);
        case Step::TrailerValue:
            if (c == '\r') {
                step_ = Step::TrailerLf;
                return true;
            }
            return IsFieldValueChar(c) || Fail(parseError);
        case Step::TrailerLf:
            step_ = Step::TrailerStart;
            return c == '\n' || Fail(parseError);
        case Step::EndLf:
            step_ = Step::Finished;
            return c == '\n' || Fail(parseError);
        default:
            return Fail(parseError);
    }
}

}  // namespace Lumo::Transport::PicoHttp
