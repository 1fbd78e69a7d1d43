#include "platform/lumo/AsioCategory.hpp"

namespace Lumo::Asio {

std::string AsioCategory::message(int code) const
{
    if (code == static_cast<int>(AsioError::kBufferMaxLen)) {
        return "Buffer max len error";
    }
    return "asio error";
}

const std::error_category& GetAsioCategory()
{
    static const AsioCategory category;
    return category;
}

std::error_code make_error_code(AsioError error) { return {static_cast<int>(error), GetAsioCategory()}; }

}  // namespace Lumo::Asio
