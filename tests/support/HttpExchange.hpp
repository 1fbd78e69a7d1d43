// HttpExchange: a blocking loopback client for tests that need exact bytes on the wire.
//
// Sends raw request bytes and reads until the peer closes or goes quiet. Not thread-safe.
#pragma once

#include <chrono>
#include <string>

namespace TestSupport {

class HttpExchange {
public:
    // Connects to `address` ("127.0.0.1" or "::1") on `port`; Connected() tells the outcome.
    HttpExchange(const std::string& address, int port);
    ~HttpExchange();
    HttpExchange(const HttpExchange&) = delete;
    HttpExchange& operator=(const HttpExchange&) = delete;

    bool Connected() const { return fd_ >= 0; }
    // Writes all of `bytes`; false when the connection broke.
    bool Send(const std::string& bytes);
    // Reads until `enough` bytes arrived, the peer closed, or nothing came for `quiet`.
    std::string Receive(size_t enough = SIZE_MAX, std::chrono::milliseconds quiet = std::chrono::milliseconds(2000));

    // One POST of a JSON-RPC request to "/" with the given extra header lines.
    static std::string JsonPost(const std::string& body, const std::string& extraHeaders = "");

private:
    int fd_ = -1;
};

}  // namespace TestSupport
