#include "transport/HttpError.hpp"

#include <string>

namespace Lumo::Transport::Http::Error {
namespace {

class TransportCategory final : public boost::system::error_category {
public:
    const char* name() const noexcept override { return "Lumo Transport Http"; }

    std::string message(int code) const override
    {
        switch (code) {
            case frame_parse_error: return "frame parse error";
            case message_too_long: return "message too long";
            case end_of_body: return "end of body";
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

}  // namespace Lumo::Transport::Http::Error
