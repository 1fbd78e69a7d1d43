#include "platform/lumo/ProtocolCategory.hpp"

namespace Lumo::Provider {

std::string ProtocolCategory::message(int code) const
{
    if (code == static_cast<int>(ProtocolError::kOperationIdMismatch)) {
        return "Mismatching operation identifier in HTTP header and payload";
    }
    return "protocol error";
}

const std::error_category& GetProtocolCategory()
{
    static const ProtocolCategory category;
    return category;
}

std::error_code make_error_code(ProtocolError error)
{
    return {static_cast<int>(error), GetProtocolCategory()};
}

}  // namespace Lumo::Provider
