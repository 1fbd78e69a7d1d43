// Lumo::FormatCategory: the error category of the message formatter, named "Lumo Format Error".
//
// One process-wide immutable instance (GetFormatCategory); thread-safe.
#pragma once

#include <string>
#include <system_error>

namespace Lumo {

enum class FormatError {
    kNamedArgumentNotFound = 1,       // "{name}": the formatter has positional arguments only
    kEmptyNamedSpecifier = 2,         // "{}"
    kMoreSpecifiersThanExpected = 3,  // "{n}" with n above the number of arguments (or 0)
    kMalformedSpecifier = 4,          // "{" without a closing "}"
};

class FormatCategory final : public std::error_category {
public:
    const char* name() const noexcept override { return "Lumo Format Error"; }
    std::string message(int code) const override;
};

// The one FormatCategory.
const std::error_category& GetFormatCategory();

std::error_code make_error_code(FormatError error);

}  // namespace Lumo

template <>
struct std::is_error_code_enum<Lumo::FormatError> : std::true_type {
};
