// AsyncHttpBodyStream: a body of a declared length (Content-Length). Never reads past the
// body, so the bytes of a following request stay on the connection.
//
// Owned by the transaction through shared_ptr (pending reads hold it); used from the
// connection's strand only.
#pragma once

#include <cstdint>
#include <memory>

#include "transport/http/AsyncBodyStream.hpp"
#include "transport/http/ConnectionTypes.hpp"

namespace Lumo::Transport::PicoHttp::PicoHttpDetail {

class AsyncHttpBodyStream final : public AsyncBodyStream,
                                  public std::enable_shared_from_this<AsyncHttpBodyStream> {
public:
    AsyncHttpBodyStream(std::shared_ptr<ConnectionStream> stream, ConnectionStrand strand,
                        std::uint64_t length);

    // Reads at most the remaining bytes; end_of_body once they are all read, PicoHttp
    // incomplete_body when the connection ends first.
    void AsyncReadSome(boost::asio::mutable_buffer buffer, ReadHandler handler) override;
    // At most the remaining bytes of what the connection put back.
    std::size_t ReadBuffered(boost::asio::mutable_buffer buffer) override;
    // Once the declared length has been read.
    bool Complete() const override { return remaining_ == 0; }

    std::uint64_t Remaining() const noexcept { return remaining_; }
    std::uint64_t Total() const noexcept { return total_; }

private:
    void OnRead(const boost::system::error_code& ec, std::size_t bytes, const ReadHandler& handler);

    const std::shared_ptr<ConnectionStream> stream_;
    const ConnectionStrand strand_;
    const std::uint64_t total_;
    std::uint64_t remaining_;
};

}  // namespace Lumo::Transport::PicoHttp::PicoHttpDetail
