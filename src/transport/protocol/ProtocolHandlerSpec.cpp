#include "transport/protocol/ProtocolHandlerSpec.hpp"

#include "transport/protocol/ContentKind.hpp"

namespace Lumo::Transport::Http {

ApiResponseHeaders ProtocolHandlerSpec::DefaultErrToHeaders(const Data::ErrorValuePtr& errorOrNull,
                                                            ParamsToHead params)
{
    ApiResponseHeaders headers;
    headers.Reserve(5);
    // An API answer is 200 OK even when it carries an error: the body says what failed.
    headers.Add(HttpResponseHeaderRangeBase::kStatus, "200");
    headers.Add(HttpResponseHeaderRangeBase::kReason, "OK");
    headers.Add("Content-Type", ContentKind::MediaType(params.acceptKind));
    headers.Add("Connection", params.keepAlive ? "Keep-Alive" : "close");
    if (errorOrNull != nullptr) {
        headers.Add("lumo-error", errorOrNull->Name());
        headers.KeepAlive(errorOrNull);
    }
    return headers;
}

ApiResponseHeaders ProtocolHandlerSpec::BadRequestHeaders()
{
    ApiResponseHeaders headers;
    headers.Reserve(4);
    headers.Add(HttpResponseHeaderRangeBase::kStatus, "400");
    headers.Add(HttpResponseHeaderRangeBase::kReason, "Bad Request");
    headers.Add("Content-Type", "text/plain");
    headers.Add("Connection", "close");
    return headers;
}

}  // namespace Lumo::Transport::Http
