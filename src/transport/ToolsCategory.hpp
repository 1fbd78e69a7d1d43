// ToolsCategory: the error category of the framework's small text tools ("Lumo Tools Error"),
// among them the Content-Length conversion. Immutable singleton; thread-safe.
#pragma once

#include <string>
#include <system_error>

namespace Lumo {

enum class ToolsError {
    named_argument_not_found = 1,  // also: an empty value where a number was expected
    empty_named_specifier = 2,
};

class ToolsCategory final : public std::error_category {
public:
    // The category object; the same reference on every call.
    static const ToolsCategory& Instance();

    const char* name() const noexcept override;
    std::string message(int code) const override;

private:
    ToolsCategory() = default;
};

// An error code of `error` in ToolsCategory.
std::error_code make_error_code(ToolsError error);

}  // namespace Lumo

template <>
struct std::is_error_code_enum<Lumo::ToolsError> : std::true_type {};
