#include "platform/lumo/L10nCategory.hpp"

namespace Lumo::L10n {

std::string L10nCategory::message(int code) const
{
    switch (code) {
        case 1:
            return "Requested locale not supported";
        case 2:
            return "Requested format locale not supported";
        case 3:
            return "Incorrect value of accept-language or lumo-ctx-format-locale header";
        case 4:
            return "Default message formatter - no formatString";
        case 5:
            return "Unknown message ID";
        case 6:
            return "Failed to load localization bundle";
        case 7:
            return "Failed to localize ErrorValue";
        default:
            return "localization error";
    }
}

const std::error_category& GetL10nCategory()
{
    static const L10nCategory category;
    return category;
}

std::error_code make_error_code(L10nError error) { return {static_cast<int>(error), GetL10nCategory()}; }

}  // namespace Lumo::L10n
