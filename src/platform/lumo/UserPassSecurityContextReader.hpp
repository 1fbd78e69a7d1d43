// Lumo::Core::UserPassSecurityContextReader: reads the user name and password of the
// user/password scheme from a security context (keys "userName" and "password").
//
// Stateless; thread-safe.
#pragma once

#include <optional>
#include <string>

#include "platform/lumo/ExecutionContext.hpp"

namespace Lumo::Core {

class UserPassSecurityContextReader {
public:
    static constexpr const char* kUserNameKey = "userName";
    static constexpr const char* kPasswordKey = "password";

    // The user name, or nullopt when the context has none.
    static std::optional<std::string> GetUserName(const ExecutionContext::SecurityContext& context);
    // The password, or nullopt when the context has none.
    static std::optional<std::string> GetPassword(const ExecutionContext::SecurityContext& context);
};

}  // namespace Lumo::Core
