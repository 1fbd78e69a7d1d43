// HttpRequestHandler: what a transaction hands a well-formed request head to. The handler
// reads the body (or refuses the request) and answers through the transaction, ending the
// exchange with EndExchange.
//
// One handler serves every transaction of a server; OnHead is called on the connection's
// strand and must not block.
#pragma once

#include <memory>

namespace Lumo::Transport::PicoHttp {

class HttpServerTransaction;

class HttpRequestHandler {
public:
    virtual ~HttpRequestHandler() = default;

    // Takes over `transaction` after its head was read and its expectation met.
    virtual void OnHead(const std::shared_ptr<HttpServerTransaction>& transaction) = 0;
};

}  // namespace Lumo::Transport::PicoHttp
