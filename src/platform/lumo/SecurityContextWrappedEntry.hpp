// Lumo::Core::SecurityContextWrappedEntry: one entry of a call's security context, a text
// that is either plain (a user name, a scheme id) or secret (a password, a token).
//
// A plain value type. A secret's text is never logged: use LogText.
#pragma once

#include <string>

namespace Lumo::Core {

class SecurityContextWrappedEntry {
public:
    // A plain text entry.
    static SecurityContextWrappedEntry Plain(std::string text) { return {std::move(text), false}; }
    // A secret entry.
    static SecurityContextWrappedEntry Secret(std::string text) { return {std::move(text), true}; }

    const std::string& Text() const { return text_; }
    bool IsSecret() const { return secret_; }
    // The text, or "<secret>" for a secret: safe for logs.
    std::string LogText() const { return secret_ ? "<secret>" : text_; }

    bool operator==(const SecurityContextWrappedEntry&) const = default;

private:
    SecurityContextWrappedEntry(std::string text, bool secret) : text_(std::move(text)), secret_(secret) {}

    std::string text_;
    bool secret_;
};

}  // namespace Lumo::Core
