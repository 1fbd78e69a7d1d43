#include "transport/http/PicoHttpApiRequestHandler.hpp"

#include <utility>

#include "transport/HttpError.hpp"
#include "transport/PicoHttpError.hpp"
#include "transport/http/HttpServerTransaction.hpp"
#include "transport/http/InvalidRequestAnswer.hpp"
#include "transport/http/TransportErrorValues.hpp"
#include "transport/protocol/HeaderRequestRange.hpp"
#include "transport/protocol/RequestSpecExtractor.hpp"

namespace Lumo::Transport::PicoHttp {

PicoHttpApiRequestHandler::PicoHttpApiRequestHandler(
    std::shared_ptr<const Http::AsyncTransactionProtocolHandler> protocolHandler)
    : protocolHandler_(std::move(protocolHandler))
{
}

void PicoHttpApiRequestHandler::OnHead(const std::shared_ptr<HttpServerTransaction>& transaction)
{
    Log::Write(transaction->GetLogger(), Log::kTrace, "Request head: ", transaction->LogId());
    auto spec = std::make_shared<const Http::RequestSpec>(
        Http::RequestSpecExtractor::Extract(HeaderRequestRange(transaction->Request())));
    if (!spec->Valid()) {
        // Refused on its headers: the body is never read, so no "100 Continue" goes out.
        Log::Write(transaction->GetLogger(), Log::kDebug, "Request is considered as bad");
        Http::InvalidRequestAnswer::Send(transaction, *spec, transaction->BodyLimit());
        return;
    }
    transaction->ReadBody(
        [self = this, transaction, spec](const boost::system::error_code& ec, std::string body) {
            self->OnBody(transaction, spec, ec, body);
        });
}

void PicoHttpApiRequestHandler::OnBody(const std::shared_ptr<HttpServerTransaction>& transaction,
                                       const std::shared_ptr<const Http::RequestSpec>& spec,
                                       const boost::system::error_code& ec, const std::string& body) const
{
    if (ec) {
        Log::Write(transaction->GetLogger(), Log::kDebug, "RequestReadCb: ", transaction->LogId(),
                   " Error: ", ec.message());
        // A body the transport refused is the client's fault; a failing socket is not, and
        // the exchange's outcome says so (the answer is still attempted).
        const bool framingError = ec.category() == Error::transport_category() ||
                                  ec.category() == Http::Error::transport_category();
        Http::InvalidRequestAnswer::Send(transaction, *spec, transaction->BodyLimit(),
                                         framingError ? nullptr : Http::TransportErrorValues::RecvFailed(ec));
        return;
    }
    Log::Write(transaction->GetLogger(), Log::kTrace, "RequestReadCb", transaction->LogId());
    protocolHandler_->HandleRequest(transaction, spec,
                                    CollectHeaderFields(HeaderRequestRange(transaction->Request())), body,
                                    GetPeerInfo(transaction->RemotePeer()));
}

std::optional<Http::PeerInfo> PicoHttpApiRequestHandler::GetPeerInfo(const Lumo::Asio::TimeoutBaseStream::Peer* peer)
{
    if (peer == nullptr || (peer->endpoint.port() == 0 && peer->endpoint.address().is_unspecified())) {
        return std::nullopt;
    }
    return Http::PeerInfo{peer->address, peer->endpoint.port()};
}

}  // namespace Lumo::Transport::PicoHttp
