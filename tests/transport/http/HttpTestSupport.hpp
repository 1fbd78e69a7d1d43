// Helpers for the HTTP transaction tests: a server on a loopback port with its own I/O
// thread, a provider that answers from its input, and a blocking client that reads
// answers byte for byte.
#pragma once

#include <sys/socket.h>
#include <sys/time.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <memory>
#include <mutex>
#include <optional>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "platform/lumo/AsyncApiProvider.hpp"
#include "platform/lumo/ErrorValue.hpp"
#include "platform/lumo/ScalarValue.hpp"
#include "platform/lumo/StructValue.hpp"
#include "support/CollectingLogger.hpp"
#include "transport/ServerConfig.hpp"
#include "transport/http/PicoHttpStreamHandler.hpp"
#include "transport/stream/Acceptor.hpp"
#include "transport/stream/StreamServer.hpp"
#include "util/Asio.hpp"

namespace HttpTest {

// Answers calls of the service "test" from their input:
//   echo    the input, at once         later   the input, 50 ms later from another thread
//   fail    error value "...not_found", stream-flagged when "stream" is true
//   blob    a string of "count" bytes   peer    the recorded peer address and port
//   stream  "count" deliveries with the continuation, then "final", from another thread;
//           "final_stream" / "piece_stream" set the stream flag on the last / the others
class TestProvider : public Lumo::Core::AsyncApiProvider {
public:
    ~TestProvider() override { JoinThreads(); }

    // Waits for the answering threads. Called before the server goes: a thread whose result
    // callback held the last reference to the provider would otherwise join itself.
    void JoinThreads()
    {
        std::vector<std::thread> threads;
        {
            std::lock_guard<std::mutex> lock(mutex_);
            threads.swap(threads_);
        }
        for (auto& thread : threads) thread.join();
    }
    std::string Name() const override { return "TestProvider"; }

    void Invoke(const Lumo::Core::MethodIdentifier& method, Lumo::Data::DataValuePtr input,
                std::shared_ptr<Lumo::Core::AsyncActivation> activation, Lumo::Core::AsyncApiResultCb resultCb) override
    {
        using namespace Lumo::Data;
        using Lumo::Core::MethodResult;
        std::lock_guard<std::mutex> lock(mutex_);
        ++calls;
        const std::string& op = method.OperationId();
        const int64_t count = Get<IntegerValue>(input, "count", int64_t{0});
        if (op == "echo") {
            resultCb(MethodResult::FromOutput(input));
        } else if (op == "later") {
            threads_.emplace_back([input, resultCb] {
                std::this_thread::sleep_for(std::chrono::milliseconds(50));
                resultCb(MethodResult::FromOutput(input));
            });
        } else if (op == "fail") {
            auto result = MethodResult::FromError(ErrorValue::Create("com.orvane.lumo.std.errors.not_found", {}));
            result.SetStream(Get<BooleanValue>(input, "stream", false));
            resultCb(result);
        } else if (op == "blob") {
            resultCb(MethodResult::FromOutput(StringValue::Create(std::string(count, 'b'))));
        } else if (op == "peer") {
            const auto& peer = activation->executionContext.peer;
            auto out = StructValue::Create("");
            out->SetField("address", StringValue::Create(peer ? peer->address : ""));
            out->SetField("port", IntegerValue::Create(peer ? peer->port : 0));
            resultCb(MethodResult::FromOutput(out));
        } else if (op == "stream") {
            threads_.emplace_back([count, lastFlag = Get<BooleanValue>(input, "final_stream", false),
                                   pieceFlag = Get<BooleanValue>(input, "piece_stream", false), resultCb] {
                for (int64_t i = 0; i < count; ++i) {
                    auto piece = MethodResult::FromOutput(StringValue::Create("piece" + std::to_string(i)));
                    piece.SetMoreFollows(true);
                    piece.SetStream(pieceFlag);
                    resultCb(piece);
                }
                auto last = MethodResult::FromOutput(StringValue::Create("final"));
                last.SetStream(lastFlag);
                resultCb(last);
            });
        }
    }

    std::atomic<int> calls = 0;

private:
    // The field `name` of `input` when it has that type, else `otherwise`.
    template <class T, class V>
    static V Get(const Lumo::Data::DataValuePtr& input, const char* name, V otherwise)
    {
        const auto* fields = input ? input->As<Lumo::Data::CompoundValue>() : nullptr;
        const auto value = fields ? fields->GetField(name) : nullptr;
        const T* typed = value ? value->template As<T>() : nullptr;
        return typed ? V(typed->Get()) : otherwise;
    }

    std::mutex mutex_;
    std::vector<std::thread> threads_;
};

// The API served on 127.0.0.1 at a free port, with its own I/O thread.
class TestServer {
public:
    explicit TestServer(std::chrono::milliseconds readTimeout = std::chrono::seconds(5),
                        std::chrono::milliseconds writeTimeout = std::chrono::seconds(5))
    {
        Lumo::Transport::PicoHttp::ServerConfig config;
        config.httpBodySizeLimitInBytes = 2500000;
        config.readTimeout = readTimeout;
        config.writeTimeout = writeTimeout;
        boost::asio::ip::tcp::acceptor acceptor(io_);
        if (Lumo::Asio::Acceptor::Listen(acceptor, {boost::asio::ip::address_v4::loopback(), 0}))
            throw std::runtime_error("cannot listen on loopback");
        port_ = acceptor.local_endpoint().port();
        server_ = Lumo::Asio::StreamServer<>::Create(
            Lumo::Asio::Acceptor(std::move(acceptor)), Lumo::Asio::StreamServerSpec{{readTimeout, writeTimeout}}, {},
            Lumo::Transport::PicoHttp::MakeConnectionHandler(io_, provider_, config, logger_), logger_);
        server_->Start();
        thread_ = std::thread([this] { io_.run(); });
    }
    ~TestServer()
    {
        provider_->JoinThreads();
        io_.stop();
        thread_.join();
    }

    uint16_t Port() const { return port_; }
    TestProvider& Provider() { return *provider_; }
    TestSupport::CollectingLogger& Logger() { return *logger_; }

private:
    boost::asio::io_context io_;
    boost::asio::executor_work_guard<boost::asio::io_context::executor_type> work_ = boost::asio::make_work_guard(io_);
    std::shared_ptr<TestProvider> provider_ = std::make_shared<TestProvider>();
    std::shared_ptr<TestSupport::CollectingLogger> logger_ = std::make_shared<TestSupport::CollectingLogger>();
    std::shared_ptr<Lumo::Asio::StreamServer<>> server_;
    uint16_t port_ = 0;
    std::thread thread_;
};

// One HTTP response as read off the wire.
struct Response {
    std::string head;  // status line and header lines, up to and including the blank line
    int status = 0;
    std::string body;                 // de-chunked
    std::vector<std::string> chunks;  // the chunks of a chunked body

    // The value of the first header line named exactly `name`.
    std::optional<std::string> Header(const std::string& name) const
    {
        const auto at = head.find("\r\n" + name + ": ");
        if (at == std::string::npos) return std::nullopt;
        const auto start = at + name.size() + 4;
        return head.substr(start, head.find("\r\n", start) - start);
    }
};

// A blocking loopback client; every read gives up after 5 seconds. A `receiveBuffer` size
// other than 0 is set before connecting, so the window it advertises stays that small.
class Client {
public:
    explicit Client(uint16_t port, int receiveBuffer = 0)
    {
        if (receiveBuffer != 0) {
            socket_.set_option(boost::asio::socket_base::receive_buffer_size(receiveBuffer));
        }
        socket_.connect({boost::asio::ip::address_v4::loopback(), port});
        timeval timeout{5, 0};
        ::setsockopt(socket_.native_handle(), SOL_SOCKET, SO_RCVTIMEO, &timeout, sizeof timeout);
    }

    void Send(const std::string& bytes) { boost::asio::write(socket_, boost::asio::buffer(bytes)); }
    // Resets the connection: the server's next read or write on it fails.
    void Abort()
    {
        socket_.set_option(boost::asio::socket_base::linger(true, 0));
        socket_.close();
    }
    uint16_t LocalPort() const { return socket_.local_endpoint().port(); }
    void ShutdownWrite() { socket_.shutdown(boost::asio::socket_base::shutdown_send); }

    // Everything until the server closes the connection; throws on a timeout.
    std::string ReadToEnd()
    {
        while (Fill()) {
        }
        return std::exchange(buffer_, {});
    }
    // True when the server has closed the connection and nothing more is unread.
    bool ClosedByServer() { return buffer_.empty() && !Fill(); }

    std::string ReadExactly(std::size_t count)
    {
        while (buffer_.size() < count) {
            if (!Fill()) throw std::runtime_error("connection closed after " + std::to_string(buffer_.size()) + " bytes");
        }
        return Take(count);
    }

    // The next response (an interim 100 response counts as one, without body).
    Response ReadResponse()
    {
        Response response;
        response.head = ReadUntil("\r\n\r\n");
        response.status = std::stoi(response.head.substr(9, 3));
        if (response.status == 100) return response;
        if (response.Header("Transfer-Encoding") == "chunked") {
            while (const std::size_t size = std::stoul(ReadUntil("\r\n"), nullptr, 16)) {
                response.body += response.chunks.emplace_back(ReadExactly(size));
                ReadExactly(2);
            }
            ReadExactly(2);
        } else if (auto length = response.Header("Content-Length")) {
            response.body = ReadExactly(std::stoul(*length));
        }
        return response;
    }

private:
    // Reads more bytes into the buffer; false at end of file or reset.
    bool Fill()
    {
        char chunk[65536];
        const ssize_t n = ::recv(socket_.native_handle(), chunk, sizeof chunk, 0);
        if (n < 0 && errno != ECONNRESET) throw std::runtime_error("read timed out or failed");
        buffer_.append(chunk, n > 0 ? static_cast<std::size_t>(n) : 0);
        return n > 0;
    }
    std::string ReadUntil(const std::string& end)
    {
        std::size_t at;
        while ((at = buffer_.find(end)) == std::string::npos) {
            if (!Fill()) throw std::runtime_error("connection closed before the delimiter");
        }
        return Take(at + end.size());
    }
    std::string Take(std::size_t count)
    {
        std::string bytes = buffer_.substr(0, count);
        buffer_.erase(0, count);
        return bytes;
    }

    boost::asio::io_context io_;
    boost::asio::ip::tcp::socket socket_{io_, boost::asio::ip::tcp::v4()};
    std::string buffer_;
};

// A JSON-RPC call of "test.<op>" with `params` (a JSON object text).
inline std::string Call(const std::string& op, const std::string& params = "{}")
{
    return R"({"jsonrpc":"2.0","id":1,"method":"test.)" + op + R"(","params":)" + params + "}";
}

// A POST of `body` with Content-Length and the given extra header lines (each ending "\r\n").
inline std::string Post(const std::string& body, const std::string& extraHeaders = "")
{
    return "POST /api HTTP/1.1\r\nHost: localhost\r\nContent-Type: application/json\r\nContent-Length: " + std::to_string(body.size()) + "\r\n" + extraHeaders + "\r\n" + body;
}

// The 400 answer carrying the JSON error `name` with its `message`, byte for byte.
inline std::string BadRequestJson(const std::string& name, const std::string& message)
{
    const std::string body = R"({"jsonrpc":"2.0","id":null,"error":{"code":-32000,"message":")" + name +
                             R"(","data":{"error:)" + name + R"(":{"code":400,"message":")" + message + R"("}}}})";
    return "HTTP/1.1 400 Bad Request\r\nContent-Length: " + std::to_string(body.size()) +
           "\r\nContent-Type: text/plain\r\nConnection: close\r\nServer: Lumo-PicoHttp\r\n\r\n" + body;
}
inline std::string NoContentTypeAnswer(const std::string& type)
{
    return BadRequestJson("invalid_content_type",
                          R"(Invalid content type \")" + type + R"(\"; requests must be application/json.)");
}
inline const std::string kInvalidRequestAnswer = BadRequestJson("invalid_request", "Invalid request.");

inline bool Contains(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

}  // namespace HttpTest
