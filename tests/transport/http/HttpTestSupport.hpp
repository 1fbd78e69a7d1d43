// Helpers for the HTTP transaction tests: a server on a loopback port with its I/O thread,
// a small provider that answers from its input, a blocking client that reads answers byte
// for byte, and a logger that keeps its lines.
#pragma once

#include <arpa/inet.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>
#include <sys/time.h>
#include <unistd.h>

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <sstream>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "platform/lumo/AsyncApiProvider.hpp"
#include "platform/lumo/ErrorValue.hpp"
#include "platform/lumo/Logger.hpp"
#include "support/CollectingLogger.hpp"
#include "platform/lumo/ScalarValue.hpp"
#include "platform/lumo/StructValue.hpp"
#include "transport/ServerConfig.hpp"
#include "transport/http/PicoHttpStreamHandler.hpp"
#include "transport/stream/Acceptor.hpp"
#include "transport/stream/StreamServer.hpp"
#include "util/Asio.hpp"

namespace HttpTest {

using CollectingLogger = TestSupport::CollectingLogger;

// Answers calls of the service "test" from their input:
//   echo     the input itself, at once, inside Invoke
//   later    the input, 50 ms later from a thread of its own
//   fail     an error value "com.orvane.lumo.std.errors.not_found"
//   size     the length of the input's string field "text"
//   peer     the peer address and port the transport recorded
//   stream   "count" deliveries with the continuation, then a final one; "final_stream"
//            sets the stream flag on the final one, "piece_stream" on the others; all from
//            a thread of its own
//   silent   never answers
class TestProvider : public Lumo::Core::AsyncApiProvider {
public:
    ~TestProvider() override
    {
        std::vector<std::thread> threads;
        {
            std::lock_guard<std::mutex> lock(mutex_);
            threads.swap(threads_);
        }
        for (auto& thread : threads) {
            thread.join();
        }
    }

    std::string Name() const override { return "TestProvider"; }

    void Invoke(const Lumo::Core::MethodIdentifier& method, Lumo::Data::DataValuePtr input,
                std::shared_ptr<Lumo::Core::AsyncActivation> activation,
                Lumo::Core::AsyncApiResultCb resultCb) override
    {
        {
            std::lock_guard<std::mutex> lock(mutex_);
            lastActivation_ = activation;
            ++calls_;
        }
        const std::string& op = method.OperationId();
        using namespace Lumo::Data;
        if (op == "echo") {
            resultCb(Lumo::Core::MethodResult::FromOutput(input));
        } else if (op == "later") {
            Spawn([input, resultCb] {
                std::this_thread::sleep_for(std::chrono::milliseconds(50));
                resultCb(Lumo::Core::MethodResult::FromOutput(input));
            });
        } else if (op == "fail") {
            resultCb(Lumo::Core::MethodResult::FromError(
                ErrorValue::Create("com.orvane.lumo.std.errors.not_found", {})));
        } else if (op == "size") {
            resultCb(Lumo::Core::MethodResult::FromOutput(
                IntegerValue::Create(static_cast<int64_t>(Text(input, "text").size()))));
        } else if (op == "peer") {
            const auto& peer = activation->executionContext.peer;
            auto out = StructValue::Create("");
            out->SetField("address", StringValue::Create(peer ? peer->address : ""));
            out->SetField("port", IntegerValue::Create(peer ? peer->port : 0));
            resultCb(Lumo::Core::MethodResult::FromOutput(out));
        } else if (op == "stream") {
            const int64_t count = Integer(input, "count");
            const bool finalStream = Flag(input, "final_stream");
            const bool pieceStream = Flag(input, "piece_stream");
            Spawn([count, finalStream, pieceStream, resultCb] {
                for (int64_t i = 0; i < count; ++i) {
                    auto piece = Lumo::Core::MethodResult::FromOutput(
                        StringValue::Create("piece" + std::to_string(i)));
                    piece.SetMoreFollows(true);
                    piece.SetStream(pieceStream);
                    resultCb(piece);
                }
                auto last = Lumo::Core::MethodResult::FromOutput(StringValue::Create("final"));
                last.SetStream(finalStream);
                resultCb(last);
            });
        }
    }

    int Calls() const
    {
        std::lock_guard<std::mutex> lock(mutex_);
        return calls_;
    }

    std::shared_ptr<Lumo::Core::AsyncActivation> LastActivation() const
    {
        std::lock_guard<std::mutex> lock(mutex_);
        return lastActivation_;
    }

private:
    static const Lumo::Data::DataValue* Field(const Lumo::Data::DataValuePtr& input, const char* name)
    {
        const auto* fields = input ? input->As<Lumo::Data::CompoundValue>() : nullptr;
        return fields ? fields->GetField(name).get() : nullptr;
    }
    static std::string Text(const Lumo::Data::DataValuePtr& input, const char* name)
    {
        const auto* value = Field(input, name);
        const auto* text = value ? value->As<Lumo::Data::StringValue>() : nullptr;
        return text ? text->Get() : "";
    }
    static int64_t Integer(const Lumo::Data::DataValuePtr& input, const char* name)
    {
        const auto* value = Field(input, name);
        const auto* number = value ? value->As<Lumo::Data::IntegerValue>() : nullptr;
        return number ? number->Get() : 0;
    }
    static bool Flag(const Lumo::Data::DataValuePtr& input, const char* name)
    {
        const auto* value = Field(input, name);
        const auto* flag = value ? value->As<Lumo::Data::BooleanValue>() : nullptr;
        return flag && flag->Get();
    }

    void Spawn(std::function<void()> work)
    {
        std::lock_guard<std::mutex> lock(mutex_);
        threads_.emplace_back(std::move(work));
    }

    mutable std::mutex mutex_;
    std::vector<std::thread> threads_;
    std::shared_ptr<Lumo::Core::AsyncActivation> lastActivation_;
    int calls_ = 0;
};

struct ServerOptions {
    uint64_t bodyLimit = 2500000;
    std::chrono::milliseconds readTimeout{5000};
    std::chrono::milliseconds writeTimeout{5000};
};

// The API served on 127.0.0.1 at a free port, with its own I/O thread.
class TestServer {
public:
    using Options = ServerOptions;

    explicit TestServer(Options options = Options{})
        : provider_(std::make_shared<TestProvider>()), logger_(std::make_shared<CollectingLogger>())
    {
        Lumo::Transport::PicoHttp::ServerConfig config;
        config.httpBodySizeLimitInBytes = options.bodyLimit;
        config.readTimeout = options.readTimeout;
        config.writeTimeout = options.writeTimeout;

        boost::asio::ip::tcp::acceptor acceptor(io_);
        const boost::asio::ip::tcp::endpoint any(boost::asio::ip::address_v4::loopback(), 0);
        if (Lumo::Asio::Acceptor::Listen(acceptor, any)) {
            throw std::runtime_error("cannot listen on loopback");
        }
        port_ = acceptor.local_endpoint().port();
        Lumo::Asio::StreamServerSpec spec;
        spec.timeouts = {options.readTimeout, options.writeTimeout};
        server_ = Lumo::Asio::StreamServer<>::Create(
            Lumo::Asio::Acceptor(std::move(acceptor)), spec, {},
            Lumo::Transport::PicoHttp::MakeConnectionHandler(provider_, config, logger_), logger_);
        server_->Start();
        thread_ = std::thread([this] { io_.run(); });
    }

    ~TestServer()
    {
        work_.reset();
        io_.stop();
        thread_.join();
    }

    uint16_t Port() const { return port_; }
    TestProvider& Provider() { return *provider_; }
    CollectingLogger& Logger() { return *logger_; }

private:
    boost::asio::io_context io_;
    boost::asio::executor_work_guard<boost::asio::io_context::executor_type> work_ =
        boost::asio::make_work_guard(io_);
    std::shared_ptr<TestProvider> provider_;
    std::shared_ptr<CollectingLogger> logger_;
    std::shared_ptr<Lumo::Asio::StreamServer<>> server_;
    uint16_t port_ = 0;
    std::thread thread_;
};

// One HTTP response as read off the wire.
struct Response {
    std::string head;  // status line and header lines, up to and including the blank line
    int status = 0;
    std::string reason;
    std::vector<std::pair<std::string, std::string>> headers;  // in wire order
    std::string body;                                          // de-chunked
    std::vector<std::string> chunks;                           // the chunks of a chunked body

    std::optional<std::string> Header(const std::string& name) const
    {
        for (const auto& [key, value] : headers) {
            if (key == name) {
                return value;
            }
        }
        return std::nullopt;
    }
};

// A blocking loopback client on a plain socket; every read gives up after 5 seconds.
class Client {
public:
    explicit Client(uint16_t port)
    {
        fd_ = ::socket(AF_INET, SOCK_STREAM, 0);
        timeval timeout{5, 0};
        ::setsockopt(fd_, SOL_SOCKET, SO_RCVTIMEO, &timeout, sizeof timeout);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_port = htons(port);
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        if (::connect(fd_, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
            throw std::runtime_error("connect failed");
        }
    }
    ~Client()
    {
        if (fd_ >= 0) {
            ::close(fd_);
        }
    }
    Client(const Client&) = delete;
    Client& operator=(const Client&) = delete;

    void Send(const std::string& bytes)
    {
        std::size_t sent = 0;
        while (sent < bytes.size()) {
            const ssize_t n = ::send(fd_, bytes.data() + sent, bytes.size() - sent, MSG_NOSIGNAL);
            if (n <= 0) {
                throw std::runtime_error("send failed");
            }
            sent += static_cast<std::size_t>(n);
        }
    }

    // Resets the connection: the server's next write on it fails.
    void Abort()
    {
        linger hard{1, 0};
        ::setsockopt(fd_, SOL_SOCKET, SO_LINGER, &hard, sizeof hard);
        ::close(fd_);
        fd_ = -1;
    }

    // The client's own port.
    uint16_t LocalPort() const
    {
        sockaddr_in address{};
        socklen_t size = sizeof address;
        ::getsockname(fd_, reinterpret_cast<sockaddr*>(&address), &size);
        return ntohs(address.sin_port);
    }

    // Ends the client's side of the connection (the server reads end of file).
    void ShutdownWrite() { ::shutdown(fd_, SHUT_WR); }

    // Everything until the server closes the connection; throws on a timeout.
    std::string ReadToEnd()
    {
        while (Fill()) {
        }
        return std::exchange(buffer_, {});
    }

    // True when the server has closed the connection and nothing more is unread.
    bool ClosedByServer() { return buffer_.empty() && !Fill(); }

    // Exactly `count` bytes.
    std::string ReadExactly(std::size_t count)
    {
        while (buffer_.size() < count) {
            if (!Fill()) {
                throw std::runtime_error("connection closed after " + std::to_string(buffer_.size()) +
                                         " bytes");
            }
        }
        std::string bytes = buffer_.substr(0, count);
        buffer_.erase(0, count);
        return bytes;
    }

    // The next response (an interim 100 response counts as one, without body).
    Response ReadResponse()
    {
        Response response;
        response.head = ReadUntil("\r\n\r\n");
        std::istringstream lines(response.head);
        std::string line;
        std::getline(lines, line);
        response.status = std::stoi(line.substr(9, 3));
        response.reason = line.substr(13, line.size() - 14);
        while (std::getline(lines, line) && line != "\r") {
            const auto colon = line.find(": ");
            response.headers.emplace_back(line.substr(0, colon),
                                          line.substr(colon + 2, line.size() - colon - 3));
        }
        if (response.status == 100) {
            return response;
        }
        if (response.Header("Transfer-Encoding") == "chunked") {
            for (;;) {
                const std::string sizeLine = ReadUntil("\r\n");
                const std::size_t size = std::stoul(sizeLine, nullptr, 16);
                if (size == 0) {
                    ReadExactly(2);
                    break;
                }
                response.chunks.push_back(ReadExactly(size));
                response.body += response.chunks.back();
                ReadExactly(2);
            }
        } else if (auto length = response.Header("Content-Length")) {
            response.body = ReadExactly(std::stoul(*length));
        }
        return response;
    }

private:
    // Reads more bytes into the buffer; false at end of file.
    bool Fill()
    {
        char chunk[65536];
        const ssize_t n = ::recv(fd_, chunk, sizeof chunk, 0);
        if (n < 0) {
            if (errno == ECONNRESET) {
                return false;
            }
            throw std::runtime_error("read timed out or failed");
        }
        buffer_.append(chunk, static_cast<std::size_t>(n));
        return n > 0;
    }

    std::string ReadUntil(const std::string& end)
    {
        std::size_t at;
        while ((at = buffer_.find(end)) == std::string::npos) {
            if (!Fill()) {
                throw std::runtime_error("connection closed before " + std::to_string(end.size()) +
                                         "-byte delimiter");
            }
        }
        std::string bytes = buffer_.substr(0, at + end.size());
        buffer_.erase(0, at + end.size());
        return bytes;
    }

    int fd_ = -1;
    std::string buffer_;
};

// A JSON-RPC call of "test.<op>" with `params` (a JSON object text).
inline std::string Call(const std::string& op, const std::string& params = "{}", const std::string& id = "1")
{
    return R"({"jsonrpc":"2.0","id":)" + id + R"(,"method":"test.)" + op + R"(","params":)" + params + "}";
}

// A POST of `body` with Content-Length and the given extra header lines (each ending "\r\n").
inline std::string Post(const std::string& body, const std::string& extraHeaders = "",
                        const std::string& contentType = "application/json")
{
    return "POST /api HTTP/1.1\r\nHost: localhost\r\nContent-Type: " + contentType +
           "\r\nContent-Length: " + std::to_string(body.size()) + "\r\n" + extraHeaders + "\r\n" + body;
}

}  // namespace HttpTest
