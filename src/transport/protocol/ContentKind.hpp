// Lumo::Transport::Http::ContentKind: the media types the API speaks, as a bit set. A header
// value gets every bit whose media type occurs in it as a substring (compared exactly).
//
// Compile-time constants and pure functions; thread-safe.
#pragma once

#include <cstdint>
#include <string_view>

namespace Lumo::Transport::Http {

struct ContentKind {
    static constexpr uint32_t kJson = 1;              // "application/json"
    static constexpr uint32_t kCleanJson = 2;         // "application/vnd.orvane.lumo.cleanjson"
    static constexpr uint32_t kFramed = 4;            // "application/vnd.orvane.lumo.framed"
    static constexpr uint32_t kCframedCleanJson = 8;  // "application/vnd.orvane.lumo.cframed.cleanjson"
    static constexpr uint32_t kStreamJson = 16;       // "application/vnd.orvane.lumo.stream.json"
    static constexpr uint32_t kCleanStreamJson = 32;  // "application/vnd.orvane.lumo.clean.stream.json"

    // The bits of every media type that occurs in `headerValue`.
    static uint32_t Of(std::string_view headerValue);

    // The media type of the single bit `kind`; empty for zero, several bits or unknown bits.
    static std::string_view MediaType(uint32_t kind);

    // True when answers of `kind` use the direct (clean) data form.
    static bool IsDirect(uint32_t kind)
    {
        return (kind & (kCleanJson | kCframedCleanJson | kCleanStreamJson)) != 0;
    }
};

}  // namespace Lumo::Transport::Http
