#include "platform/lumo/FormatCategory.hpp"

namespace Lumo {

std::string FormatCategory::message(int code) const
{
    switch (code) {
        case 1:
            return "Named argument not found.";
        case 2:
            return "Empty Named specifier found.";
        case 3:
            return "More specifiers than expected.";
        default:
            return "format error";
    }
}

const std::error_category& GetFormatCategory()
{
    static const FormatCategory category;
    return category;
}

std::error_code make_error_code(FormatError error) { return {static_cast<int>(error), GetFormatCategory()}; }

}  // namespace Lumo
