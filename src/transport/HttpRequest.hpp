// HttpRequest: one request head as parsed, with the decisions taken from it. Owned by the
// transaction that reads it; not thread-safe. The method, path and header views point into
// the buffer given to PhrParse (normally headBuffer), so the head is never copied.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string_view>

namespace Lumo::Transport::PicoHttp {

struct HttpHeader {
    std::string_view name;
    std::string_view value;
};

struct HttpRequest {
    static constexpr std::size_t kMaxHeaders = 64;
    static constexpr std::size_t kHeadBufferSize = 4096;

    std::string_view method;
    std::string_view path;
    int minorVersion = -1;
    std::array<HttpHeader, kMaxHeaders> headers{};
    // Number of entries of `headers` in use; the capacity is always kMaxHeaders.
    std::size_t headerCount = 0;
    // Not cleared: only the bytes received are ever read, and a transaction per request
    // would otherwise write 4 KiB of zeros each time.
    std::array<char, kHeadBufferSize> headBuffer;

    std::uint64_t contentLength = 0;
    bool chunked = false;
    bool hasContentLength = false;
    bool keepAlive = true;
    bool hasExpect = false;
    bool expectContinue = false;
    bool bad = false;
};

}  // namespace Lumo::Transport::PicoHttp
