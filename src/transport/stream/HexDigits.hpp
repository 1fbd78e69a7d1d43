// HexDigits: lower-case hexadecimal text of an unsigned number, as "%llx" prints it, for the
// paths that format a number per request (chunk lengths, exchange ids), where printf's
// machinery costs more than the rest of the formatting. Pure functions; thread-safe.
#pragma once

#include <cstddef>
#include <cstdint>

namespace Lumo::Transport::Http::HttpDetail {

// The most digits a 64-bit value takes.
inline constexpr std::size_t kMaxHexDigits = 16;

// Writes `value` in lower-case hexadecimal without leading zeros ("0" for zero) to `out`,
// which has room for kMaxHexDigits characters; returns the number written (no NUL).
inline std::size_t WriteHex(std::uint64_t value, char* out)
{
    char reversed[kMaxHexDigits];
    std::size_t count = 0;
    do {
        reversed[count++] = "0123456789abcdef"[value & 0xf];
        value >>= 4;
    } while (value != 0);
    for (std::size_t i = 0; i < count; ++i) {
        out[i] = reversed[count - 1 - i];
    }
    return count;
}

}  // namespace Lumo::Transport::Http::HttpDetail
