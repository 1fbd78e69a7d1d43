// Lumo::L10n::L10nCategory: the error category of localization, named "Lumo Localization Error".
//
// One process-wide immutable instance (GetL10nCategory); thread-safe.
#pragma once

#include <string>
#include <system_error>

namespace Lumo::L10n {

enum class L10nError {
    kLocaleNotSupported = 1,
    kFormatLocaleNotSupported = 2,
    kBadLocaleHeader = 3,
    kNoFormatString = 4,
    kUnknownMessageId = 5,
    kBundleLoadFailed = 6,
    kErrorValueNotLocalized = 7,
};

class L10nCategory final : public std::error_category {
public:
    const char* name() const noexcept override { return "Lumo Localization Error"; }
    std::string message(int code) const override;
};

// The one L10nCategory.
const std::error_category& GetL10nCategory();

std::error_code make_error_code(L10nError error);

}  // namespace Lumo::L10n

template <>
struct std::is_error_code_enum<Lumo::L10n::L10nError> : std::true_type {
};
