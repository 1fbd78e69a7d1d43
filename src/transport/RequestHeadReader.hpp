// RequestHeadReader: collects a request head into HttpRequest::headBuffer across socket reads
// and parses it with PhrParse. One per transaction, holding a reference to its request; not
// thread-safe. The reader only tells the outcome: the transaction does the I/O and answers.
//
// Empty lines (CRLF, or a bare LF) before the request line are skipped, as HTTP/1.1 asks of
// a server, so that a client which ends a body with an extra CRLF is not refused on its next
// request. They count towards the head's size limit; anywhere else the parser stays strict.
#pragma once

#include <cstddef>
#include <span>

#include <boost/system/error_code.hpp>

#include "transport/HttpRequest.hpp"

namespace Lumo::Transport::PicoHttp {

class RequestHeadReader {
public:
    enum class Status {
        NeedMore,   // read more bytes into FreeSpace()
        Complete,   // the head is parsed, names lower-cased and sorted
        Malformed,  // the bytes cannot form a head
        TooLong,    // the buffer is full and the head has not ended
    };

    // `request` must outlive the reader; its head buffer receives the bytes.
    explicit RequestHeadReader(HttpRequest& request);

    // Where the next read goes: the unused end of headBuffer (empty once a status is final).
    std::span<char> FreeSpace();

    // Takes note that `count` bytes were read into FreeSpace() and parses; returns the status.
    Status Commit(std::size_t count);

    // The status after the last Commit.
    Status status() const { return status_; }

    // Complete: the length of the head inside headBuffer, skipped empty lines not included;
    // otherwise 0.
    std::size_t HeadLength() const { return headLength_; }

    // Complete: the bytes read behind the head (the start of the body or of the next request).
    std::span<const char> Surplus() const;

    // Malformed: PicoHttp headers_parse_error; TooLong: PicoHttp http_headers_too_long;
    // otherwise no error.
    boost::system::error_code ErrorCode() const;

private:
    // Moves start_ past the empty lines at the start of what was received.
    void SkipLeadingEmptyLines();

    HttpRequest& request_;
    std::size_t received_ = 0;
    // Where the head starts in headBuffer: after the empty lines that came before it.
    std::size_t start_ = 0;
    std::size_t headLength_ = 0;
    Status status_ = Status::NeedMore;
};

}  // namespace Lumo::Transport::PicoHttp
