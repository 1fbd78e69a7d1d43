// RequestBodyReader: reads a whole request body from its body stream into memory, refusing
// a body longer than the limit without reading more than one byte past it.
//
// A shared object alive while its read is pending; used from the connection's strand only.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "transport/http/AsyncBodyStream.hpp"

namespace Lumo::Transport::PicoHttp {

class RequestBodyReader : public std::enable_shared_from_this<RequestBodyReader> {
public:
    // handler(error, body): no error and the whole body, or the error that ended the read.
    using Handler = std::function<void(const boost::system::error_code&, std::string)>;

    // No read asks for less than this, unless the allowance left is smaller.
    static constexpr std::size_t kMinRead = 512;

    // Reads `body` until it ends. A body of `limit` bytes is accepted; one of `limit` + 1
    // bytes ends the read with Http message_too_long. When the whole body is already in
    // memory the handler runs before Start returns.
    static void Start(std::shared_ptr<PicoHttpDetail::AsyncBodyStream> body, std::uint64_t limit,
                      Handler handler);

    // Only Start can make the key, so only Start constructs; make_shared puts the object and
    // its count in one allocation.
    class Key {
        friend class RequestBodyReader;
        Key() = default;
    };
    RequestBodyReader(Key, std::shared_ptr<PicoHttpDetail::AsyncBodyStream> body, std::uint64_t limit,
                      Handler handler);

private:
    void DoRead();
    // The room for the next read: at least kMinRead bytes, within the allowance left.
    boost::asio::mutable_buffer NextSpace();
    void OnRead(const boost::system::error_code& ec, std::size_t bytes);
    void Finish(const boost::system::error_code& ec);

    const std::shared_ptr<PicoHttpDetail::AsyncBodyStream> body_;
    const std::uint64_t allowance_;
    Handler handler_;
    // [0, used_) holds the body so far; the rest of the string is room for the next read.
    std::string buffer_;
    std::size_t used_ = 0;
};

}  // namespace Lumo::Transport::PicoHttp
