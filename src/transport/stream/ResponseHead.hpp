// ResponseHead: the gather list of one response's head (and, for a length-framed answer,
// its body), built from views; only the decimal length is formatted, into a scratch area.
//
// Owned by the response being written; the list points into the object and into the header
// text, so neither may move or die before the write completes. Not thread-safe.
#pragma once

#include <cstdint>
#include <span>

#include <boost/container/small_vector.hpp>

#include "transport/stream/HttpResponseHeaderRangeBase.hpp"
#include "util/Asio.hpp"

namespace Lumo::Transport::Http::HttpDetail {

class ResponseHead {
public:
    ResponseHead();
    ResponseHead(const ResponseHead&) = delete;
    ResponseHead& operator=(const ResponseHead&) = delete;

    // Replaces the list with the head for `headers`: the status line from ":status" and
    // ":reason", the framing header (chunked, or Content-Length `bodyLength`), every other
    // header in list order, then the Server line and the blank line.
    void Build(const HttpResponseHeaderRangeBase& headers, std::uint64_t bodyLength, bool chunked);

    // Appends body bytes so that head and body leave in one gathered write.
    void AppendBody(boost::asio::const_buffer body);

    // The gather list; valid until the next Build.
    std::span<const boost::asio::const_buffer> Buffers() const noexcept { return {buffers_.data(), buffers_.size()}; }

private:
    void Emit(std::string_view text);

    // Room for an API answer's head and body without an allocation.
    boost::container::small_vector<boost::asio::const_buffer, 32> buffers_;
    char lengthDigits_[32];
};

}  // namespace Lumo::Transport::Http::HttpDetail
