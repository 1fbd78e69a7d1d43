#include "transport/http/RequestHeadRules.hpp"

#include <algorithm>
#include <array>
#include <string>
#include <string_view>

#include "transport/HttpError.hpp"
#include "transport/HttpSyntax.hpp"
#include "transport/ParseContentLength.hpp"
#include "transport/PicoHttpError.hpp"

namespace Lumo::Transport::PicoHttp {
namespace {

std::string LowerCopy(std::string_view text)
{
    std::string lower(text);
    std::transform(lower.begin(), lower.end(), lower.begin(), Syntax::ToLower);
    return lower;
}

bool EqualsIgnoringCase(std::string_view a, std::string_view b)
{
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return Syntax::ToLower(x) == Syntax::ToLower(y);
           });
}

// The conversion reports three categories; the transport speaks only its own two.
boost::system::error_code ContentLengthError(const std::error_code& error)
{
    const auto tooLong = Http::Error::make_error_code(Http::Error::message_too_long);
    if (error.value() == tooLong.value() &&
        std::string_view(error.category().name()) == tooLong.category().name()) {
        return tooLong;
    }
    return Error::make_error_code(Error::invalid_request);
}

// Methods that never carry a body, whatever their headers say.
bool IsBodilessMethod(std::string_view lowerMethod)
{
    constexpr std::array<std::string_view, 5> kBodiless = {"get", "head", "connect", "options", "trace"};
    return std::find(kBodiless.begin(), kBodiless.end(), lowerMethod) != kBodiless.end();
}

}  // namespace

boost::system::error_code ApplyRequestHeadRules(HttpRequest& request)
{
    for (std::size_t i = 0; i < request.headerCount; ++i) {
        const HttpHeader& header = request.headers[i];
        if (header.name == "content-length") {
            std::uint64_t length = 0;
            if (const std::error_code error = ParseContentLength(header.value, length)) {
                return ContentLengthError(error);
            }
            request.contentLength = length;
            request.hasContentLength = true;
        } else if (header.name == "transfer-encoding") {
            if (header.value.find("chunked") != std::string_view::npos) {
                request.chunked = true;
            }
        } else if (header.name == "connection") {
            if (LowerCopy(header.value).find("close") != std::string::npos) {
                request.keepAlive = false;
            }
        } else if (header.name == "expect") {
            request.hasExpect = true;
            if (EqualsIgnoringCase(header.value, "100-continue")) {
                request.expectContinue = true;
            }
        }
    }
    if (request.chunked) {
        request.contentLength = 0;
        request.hasContentLength = false;
    }
    if (request.method.empty()) {
        return Error::make_error_code(Error::invalid_request);
    }
    const std::string method = LowerCopy(request.method);
    if (IsBodilessMethod(method) || (method == "delete" && !request.hasContentLength)) {
        request.contentLength = 0;
        request.hasContentLength = true;
    }
    return {};
}

}  // namespace Lumo::Transport::PicoHttp
