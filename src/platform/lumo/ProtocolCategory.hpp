// Lumo::Provider::ProtocolCategory: the error category of the API protocol handler, named
// "Lumo Protocol Error".
//
// One process-wide immutable instance (GetProtocolCategory); thread-safe.
#pragma once

#include <string>
#include <system_error>

namespace Lumo::Provider {

enum class ProtocolError {
    kOperationIdMismatch = 1,  // "lumo-operation-id" header differs from the payload's
};

class ProtocolCategory final : public std::error_category {
public:
    const char* name() const noexcept override { return "Lumo Protocol Error"; }
    std::string message(int code) const override;
};

// The one ProtocolCategory.
const std::error_category& GetProtocolCategory();

std::error_code make_error_code(ProtocolError error);

}  // namespace Lumo::Provider

template <>
struct std::is_error_code_enum<Lumo::Provider::ProtocolError> : std::true_type {
};
