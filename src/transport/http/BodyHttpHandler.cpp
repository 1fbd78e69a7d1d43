#include "transport/http/BodyHttpHandler.hpp"

#include "transport/http/AsyncBareBodyStream.hpp"
#include "transport/http/AsyncExpectContinueStream.hpp"
#include "transport/http/AsyncHttpBodyStream.hpp"
#include "transport/http/AsyncHttpChunkedBodyStream.hpp"

namespace Lumo::Transport::PicoHttp {

using namespace PicoHttpDetail;

std::shared_ptr<AsyncBodyStream> BodyHttpHandler::Select(const HttpRequest& request,
                                                         const std::shared_ptr<ConnectionStream>& stream,
                                                         const ConnectionStrand& strand,
                                                         std::uint64_t chunkedAllowance)
{
    std::shared_ptr<AsyncBodyStream> body;
    if (request.chunked) {
        body = std::make_shared<AsyncHttpChunkedBodyStream>(stream, strand, chunkedAllowance);
    } else if (!request.hasContentLength) {
        body = std::make_shared<AsyncBareBodyStream>(stream, strand);
    } else {
        body = std::make_shared<AsyncHttpBodyStream>(stream, strand, request.contentLength);
    }
    if (request.expectContinue) {
        body = std::make_shared<AsyncExpectContinueStream>(stream, strand, std::move(body));
    }
    return body;
}

}  // namespace Lumo::Transport::PicoHttp
