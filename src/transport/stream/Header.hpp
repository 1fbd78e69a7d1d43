// Lumo::Transport::Header: one header field as a name and a value.
//
// An interface over header storage owned elsewhere; the views stay valid as long as that
// storage does. Implementations are immutable values, safe to read from any thread.
#pragma once

#include <string_view>

namespace Lumo::Transport {

// The line end of every HTTP head line and chunk frame.
inline constexpr std::string_view kCrlf = "\r\n";

class Header {
public:
    // The field name as stored (requests: lower case; responses: as given).
    virtual std::string_view Name() const = 0;
    // The field value as stored.
    virtual std::string_view Value() const = 0;

    virtual ~Header() = default;
};

}  // namespace Lumo::Transport
