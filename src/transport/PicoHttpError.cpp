#include "transport/PicoHttpError.hpp"

#include <string>

namespace Lumo::Transport::PicoHttp::Error {
namespace {

class TransportCategory final : public boost::system::error_category {
public:
    const char* name() const noexcept override { return "Lumo Transport PicoHttp"; }

    std::string message(int code) const override
    {
        switch (code) {
            case headers_parse_error: return "headers parse error";
            case chunk_parse_error: return "chunk parse error";
            case http_protocol_error: return "http protocol error";
            case server_failed_to_listen: return "server failed to listen";
            case invalid_request: return "invalid request";
            case incomplete_body: return "incomplete body";
            case http_headers_too_long: return "http headers too long";
            default: return "transport error";
        }
    }
};

}  // namespace

const boost::system::error_category& transport_category()
{
    static const TransportCategory category;
    return category;
}

boost::system::error_code make_error_code(Code code)
{
    return {static_cast<int>(code), transport_category()};
}

}  // namespace Lumo::Transport::PicoHttp::Error
