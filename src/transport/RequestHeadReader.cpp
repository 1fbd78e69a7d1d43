#include "transport/RequestHeadReader.hpp"

#include <algorithm>

#include "transport/PhrParse.hpp"
#include "transport/PicoHttpError.hpp"
#include "transport/TolowerAndSortHeaders.hpp"

namespace Lumo::Transport::PicoHttp {

RequestHeadReader::RequestHeadReader(HttpRequest& request) : request_(request) {}

std::span<char> RequestHeadReader::FreeSpace()
{
    if (status_ != Status::NeedMore) {
        return {};
    }
    return std::span<char>(request_.headBuffer).subspan(received_);
}

RequestHeadReader::Status RequestHeadReader::Commit(std::size_t count)
{
    if (status_ != Status::NeedMore) {
        return status_;
    }
    const std::size_t previous = received_;
    received_ += std::min(count, request_.headBuffer.size() - received_);
    const std::size_t skipped = start_;
    SkipLeadingEmptyLines();
    // Parsing resumes only where the same bytes were parsed before.
    const std::size_t resume = start_ == skipped && previous > start_ ? previous - start_ : 0;
    const int result = PhrParse(request_.headBuffer.data() + start_, received_ - start_, request_, resume);
    if (result > 0) {
        headLength_ = static_cast<std::size_t>(result);
        TolowerAndSortHeaders(request_);
        status_ = Status::Complete;
    } else if (result == kPhrMalformed) {
        status_ = Status::Malformed;
    } else if (received_ == request_.headBuffer.size()) {
        // A head that does not end within the buffer is refused, however valid so far.
        status_ = Status::TooLong;
    }
    return status_;
}

void RequestHeadReader::SkipLeadingEmptyLines()
{
    const char* const buffer = request_.headBuffer.data();
    for (;;) {
        if (start_ < received_ && buffer[start_] == '\n') {
            start_ += 1;
        } else if (start_ + 1 < received_ && buffer[start_] == '\r' && buffer[start_ + 1] == '\n') {
            start_ += 2;
        } else {
            return;  // a lone CR may still become CRLF: it waits for the next read
        }
    }
}

std::span<const char> RequestHeadReader::Surplus() const
{
    if (status_ != Status::Complete) {
        return {};
    }
    const std::size_t end = start_ + headLength_;
    return std::span<const char>(request_.headBuffer).subspan(end, received_ - end);
}

boost::system::error_code RequestHeadReader::ErrorCode() const
{
    switch (status_) {
        case Status::Malformed: return Error::make_error_code(Error::headers_parse_error);
        case Status::TooLong: return Error::make_error_code(Error::http_headers_too_long);
        default: return {};
    }
}

}  // namespace Lumo::Transport::PicoHttp
