// LifeCycle::Gzip: recognises and inflates gzip-compressed text printed by host tools.
//
// Stateless; thread-safe. Inflation is bounded so that a small hostile input cannot make the
// daemon allocate without limit.
#pragma once

#include <cstddef>
#include <stdexcept>
#include <string>
#include <string_view>

namespace LifeCycle {

// Why a gzip text could not be inflated; the text names the cause.
class GzipError : public std::runtime_error {
public:
    explicit GzipError(const std::string& what) : std::runtime_error(what) {}
};

class Gzip {
public:
    // Largest inflated size Decompress accepts unless told otherwise.
    static constexpr size_t kDefaultMaxOutput = 64 * 1024 * 1024;

    // True when `text` is longer than the two signature bytes 0x1F 0x8B and starts with them.
    static bool HasSignature(std::string_view text);

    // The inflated content of the gzip stream `text`. Throws GzipError when the stream is
    // corrupt or truncated, or when its content would exceed `maxOutput` bytes.
    static std::string Decompress(std::string_view text, size_t maxOutput = kDefaultMaxOutput);
};

}  // namespace LifeCycle
