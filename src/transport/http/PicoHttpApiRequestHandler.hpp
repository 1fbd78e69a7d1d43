// PicoHttpApiRequestHandler: takes each request head from its transaction, decides from the
// headers whether the API can serve it, reads the body and passes the request on to the
// protocol handler; a request it cannot serve gets the 400 JSON answer.
//
// One per server, shared by every transaction; constant after construction, so thread-safe.
#pragma once

#include <memory>
#include <optional>

#include "transport/http/AsyncTransactionProtocolHandler.hpp"
#include "transport/http/HttpRequestHandler.hpp"
#include "transport/protocol/RequestSpec.hpp"
#include "transport/stream/TimeoutBaseStream.hpp"
#include "util/Asio.hpp"

namespace Lumo::Transport::PicoHttp {

class PicoHttpApiRequestHandler final : public HttpRequestHandler {
public:
    explicit PicoHttpApiRequestHandler(
        std::shared_ptr<const Http::AsyncTransactionProtocolHandler> protocolHandler);

    void OnHead(const std::shared_ptr<HttpServerTransaction>& transaction) override;

    // The address text and port of `peer`, or nullopt for none or one that names no peer.
    static std::optional<Http::PeerInfo> GetPeerInfo(const Lumo::Asio::TimeoutBaseStream::Peer* peer);

private:
    void OnBody(const std::shared_ptr<HttpServerTransaction>& transaction,
                const std::shared_ptr<const Http::RequestSpec>& spec, const boost::system::error_code& ec,
                const std::string& body) const;

    const std::shared_ptr<const Http::AsyncTransactionProtocolHandler> protocolHandler_;
};

}  // namespace Lumo::Transport::PicoHttp
