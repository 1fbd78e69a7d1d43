#include "transport/http/PicoHttpStreamHandler.hpp"

#include <utility>

#include "transport/http/AsyncTransactionProtocolHandler.hpp"
#include "transport/http/PicoHttpApiRequestHandler.hpp"

namespace Lumo::Transport::PicoHttp {

PicoHttpStreamHandler::PicoHttpStreamHandler(std::shared_ptr<const HttpServerTransaction::Settings> settings,
                                             boost::asio::io_context::executor_type executor)
    : settings_(std::move(settings)), executor_(std::move(executor))
{
}

void PicoHttpStreamHandler::operator()(std::shared_ptr<ConnectionStream> stream) const
{
    ConnectionStrand strand = boost::asio::make_strand(executor_);
    // Start on the strand, like every later step of the connection.
    boost::asio::dispatch(strand, [stream = std::move(stream), strand, settings = settings_]() mutable {
        HttpServerTransaction::Start(std::move(stream), std::move(strand), std::move(settings));
    });
}

ConnectionHandler MakeConnectionHandler(boost::asio::io_context& ioContext,
                                        std::shared_ptr<Core::AsyncApiProvider> provider,
                                        const ServerConfig& config, std::shared_ptr<Log::Logger> logger)
{
    auto protocolHandler =
        std::make_shared<const Http::AsyncTransactionProtocolHandler>(std::move(provider), config.localizer);
    auto settings = std::make_shared<HttpServerTransaction::Settings>();
    settings->bodyLimit = config.httpBodySizeLimitInBytes;
    settings->logger = std::move(logger);
    settings->handler = std::make_shared<PicoHttpApiRequestHandler>(std::move(protocolHandler));
    return PicoHttpStreamHandler(std::move(settings), ioContext.get_executor());
}

}  // namespace Lumo::Transport::PicoHttp
