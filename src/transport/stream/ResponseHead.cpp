#include "transport/stream/Header.hpp"
#include "transport/stream/ResponseHead.hpp"

#include <cstdio>
#include <string_view>

namespace Lumo::Transport::Http::HttpDetail {

namespace {

constexpr std::string_view kFieldSeparator = ": ";

}  // namespace

ResponseHead::ResponseHead() = default;

void ResponseHead::Emit(std::string_view text)
{
    buffers_.emplace_back(text.data(), text.size());
}

void ResponseHead::Build(const HttpResponseHeaderRangeBase& headers, std::uint64_t bodyLength, bool chunked)
{
    buffers_.clear();
    std::string_view status;
    std::string_view reason;
    bool haveStatus = false;
    bool haveReason = false;
    for (auto it = headers.begin(); it != headers.end() && !(haveStatus && haveReason); ++it) {
        if (!haveStatus && it->Name() == HttpResponseHeaderRangeBase::kStatus) {
            status = it->Value();
            haveStatus = true;
        } else if (!haveReason && it->Name() == HttpResponseHeaderRangeBase::kReason) {
            reason = it->Value();
            haveReason = true;
        }
    }

    Emit("HTTP/1.1 ");
    Emit(status);
    Emit(" ");
    Emit(reason);
    Emit(kCrlf);
    if (chunked) {
        Emit("Transfer-Encoding: chunked\r\n");
    } else {
        const int digits = std::snprintf(lengthDigits_, sizeof lengthDigits_, "%llu",
                                         static_cast<unsigned long long>(bodyLength));
        Emit("Content-Length: ");
        Emit(std::string_view(lengthDigits_, static_cast<std::size_t>(digits)));
        Emit(kCrlf);
    }
    for (const HeaderView& header : headers) {
        if (header.Name() == HttpResponseHeaderRangeBase::kStatus ||
            header.Name() == HttpResponseHeaderRangeBase::kReason) {
            continue;
        }
        Emit(header.Name());
        Emit(kFieldSeparator);
        Emit(header.Value());
        Emit(kCrlf);
    }
    Emit("Server: Lumo-PicoHttp\r\n\r\n");
}

void ResponseHead::AppendBody(boost::asio::const_buffer body)
{
    buffers_.push_back(body);
}

}  // namespace Lumo::Transport::Http::HttpDetail
