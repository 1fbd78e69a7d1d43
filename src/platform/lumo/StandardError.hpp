// Com::Orvane::Lumo::Std::Errors::StandardError: the name of one of the framework's standard
// errors, and the eleven constants (Error, NotFound, InvalidArgument, ...).
//
// Compile-time constants; thread-safe. An error value of a standard error is named
// "com.orvane.lumo.std.errors." plus the error in snake case; build one with
// Lumo::Data::ErrorFactory::GetError.
#pragma once

#include <string_view>

#include "platform/lumo/DataValue.hpp"

namespace Com::Orvane::Lumo::Std::Errors {

class StandardError {
public:
    constexpr explicit StandardError(std::string_view name) : name_(name) {}

    // The error value name, e.g. "com.orvane.lumo.std.errors.not_found".
    constexpr std::string_view Name() const { return name_; }

    // True when `value` is an error value of this name.
    bool Matches(const ::Lumo::Data::DataValue& value) const;

private:
    std::string_view name_;
};

inline constexpr StandardError Error{"com.orvane.lumo.std.errors.error"};
inline constexpr StandardError AlreadyExists{"com.orvane.lumo.std.errors.already_exists"};
inline constexpr StandardError InternalServerError{"com.orvane.lumo.std.errors.internal_server_error"};
inline constexpr StandardError InvalidArgument{"com.orvane.lumo.std.errors.invalid_argument"};
inline constexpr StandardError NotAllowedInCurrentState{
    "com.orvane.lumo.std.errors.not_allowed_in_current_state"};
inline constexpr StandardError NotFound{"com.orvane.lumo.std.errors.not_found"};
inline constexpr StandardError ResourceInaccessible{"com.orvane.lumo.std.errors.resource_inaccessible"};
inline constexpr StandardError ServiceUnavailable{"com.orvane.lumo.std.errors.service_unavailable"};
inline constexpr StandardError Unauthenticated{"com.orvane.lumo.std.errors.unauthenticated"};
inline constexpr StandardError Unauthorized{"com.orvane.lumo.std.errors.unauthorized"};
inline constexpr StandardError Unsupported{"com.orvane.lumo.std.errors.unsupported"};

}  // namespace Com::Orvane::Lumo::Std::Errors
