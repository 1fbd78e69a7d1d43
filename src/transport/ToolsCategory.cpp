#include "transport/ToolsCategory.hpp"

namespace Lumo {

const ToolsCategory& ToolsCategory::Instance()
{
    static const ToolsCategory category;
    return category;
}

const char* ToolsCategory::name() const noexcept
{
    return "Lumo Tools Error";
}

std::string ToolsCategory::message(int code) const
{
    switch (static_cast<ToolsError>(code)) {
        case ToolsError::named_argument_not_found: return "Named argument not found.";
        case ToolsError::empty_named_specifier: return "Empty Named specifier found.";
        default: return "tools error";
    }
}

std::error_code make_error_code(ToolsError error)
{
    return {static_cast<int>(error), ToolsCategory::Instance()};
}

}  // namespace Lumo
