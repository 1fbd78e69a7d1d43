// HttpServerTransaction: one request/response exchange on a connection. It reads the head,
// answers the fixed 400 and 417 itself, picks the body stream, hands the request to its
// HttpRequestHandler and writes the answers the handler gives; when the exchange ends well
// on a keep-alive connection it starts the next transaction on the same stream.
//
// A shared object kept alive by its pending handlers (Do.../On... pairs capturing
// shared_from_this). All of its work runs on the connection's strand; only Dispatch may be
// called from other threads.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "transport/HttpRequest.hpp"
#include "transport/RequestHeadReader.hpp"
#include "transport/http/AsyncBodyStream.hpp"
#include "transport/http/ConnectionTypes.hpp"
#include "transport/http/HttpRequestHandler.hpp"
#include "transport/http/RequestBodyReader.hpp"
#include "transport/http/TransactionChannel.hpp"
#include "transport/stream/OutChunkedBodyStrm.hpp"
#include "transport/stream/ResponseHead.hpp"

namespace Lumo::Transport::PicoHttp {

class HttpServerTransaction final : public Http::TransactionChannel,
                                    public std::enable_shared_from_this<HttpServerTransaction> {
public:
    // Shared by every transaction of a server; constant.
    struct Settings {
        std::uint64_t bodyLimit = 0;
        std::shared_ptr<Log::Logger> logger;
        std::shared_ptr<HttpRequestHandler> handler;
    };

    static constexpr std::string_view kBadRequestHead =
        "HTTP/1.1 400 Bad Request\r\nContent-Length: 0\r\nConnection: close\r\nServer: Lumo-PicoHttp\r\n\r\n";
    static constexpr std::string_view kExpectationFailed =
        "HTTP/1.1 417 Expectation Failed\r\nConnection: close\r\nContent-Length: 0\r\n\r\n";

    // Starts the first (or next) exchange on `stream`: reads a request head.
    static void Start(std::shared_ptr<ConnectionStream> stream, ConnectionStrand strand,
                      std::shared_ptr<const Settings> settings);

    // The request as read; complete once the handler has it.
    const HttpRequest& Request() const noexcept { return request_; }
    std::uint64_t BodyLimit() const noexcept { return settings_->bodyLimit; }

    // Reads the whole body within the body limit; handler(error, body) on the strand, before
    // ReadBody returns when the body came in whole with the head.
    void ReadBody(RequestBodyReader::Handler handler);

    // The client's address; null when the connection has none any more.
    const Lumo::Asio::TimeoutBaseStream::Peer* RemotePeer() const { return stream_->Lowest().RemotePeer(); }

    // TransactionChannel
    const std::string& LogId() const override { return id_; }
    Log::Logger* GetLogger() const override { return settings_->logger.get(); }
    void Dispatch(std::function<void()> work) override;
    void SendChunked(Http::ChunkedParts parts, Done done) override;
    void SendWhole(Http::ApiResponseHeaders headers, std::string body, Done done) override;
    void EndExchange(Data::ErrorValuePtr error) override;

    // Only Start can make the key, so only Start constructs; make_shared puts the object and
    // its count in one allocation.
    class Key {
        friend class HttpServerTransaction;
        Key() = default;
    };
    HttpServerTransaction(Key, std::shared_ptr<ConnectionStream> stream, ConnectionStrand strand,
                          std::shared_ptr<const Settings> settings);

private:
    void DoReadHead();
    void OnReadHead(const boost::system::error_code& ec, std::size_t bytes);
    void FinishHead(const boost::system::error_code& ec);
    void ExpectationStep(const boost::system::error_code& headError);
    void DoWriteFixedAnswer();

    // Logs the outcome of a chunked write of `written` bytes, part by part.
    void LogChunkedOutcome(bool withHead, const boost::system::error_code& ec, std::size_t written) const;

    // Binds a member continuation to this transaction and its strand.
    template <class F>
    auto OnStrand(F&& f)
    {
        return boost::asio::bind_executor(strand_, std::forward<F>(f));
    }

    // Constant after construction.
    const std::shared_ptr<ConnectionStream> stream_;
    const ConnectionStrand strand_;
    const std::shared_ptr<const Settings> settings_;
    const std::string id_;

    // Used on the strand only.
    HttpRequest request_;
    RequestHeadReader headReader_;
    std::shared_ptr<PicoHttpDetail::AsyncBodyStream> body_;
    std::string fixedAnswer_;
    // What the write in flight points into.
    Http::ApiResponseHeaders responseHeaders_;
    Http::HttpDetail::ResponseHead responseHead_;
    std::string wholeBody_;
    std::vector<Protocol::Json::OutputPiece> pieces_;
    Http::HttpDetail::OutChunkedBodyStrm<ConnectionStream> chunks_;
    bool ended_ = false;
};

}  // namespace Lumo::Transport::PicoHttp
