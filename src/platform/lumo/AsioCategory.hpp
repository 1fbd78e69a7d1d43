// Lumo::Asio::AsioCategory: the error category of the framework's stream helpers, named
// "Lumo Asio Error".
//
// One process-wide immutable instance (GetAsioCategory); thread-safe.
#pragma once

#include <string>
#include <system_error>

namespace Lumo::Asio {

enum class AsioError {
    kBufferMaxLen = 1,  // a read would grow a buffer past its limit
};

class AsioCategory final : public std::error_category {
public:
    const char* name() const noexcept override { return "Lumo Asio Error"; }
    std::string message(int code) const override;
};

// The one AsioCategory.
const std::error_category& GetAsioCategory();

std::error_code make_error_code(AsioError error);

}  // namespace Lumo::Asio

template <>
struct std::is_error_code_enum<Lumo::Asio::AsioError> : std::true_type {
};
