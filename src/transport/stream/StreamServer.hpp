// StreamServer: the accept loop of one listening socket.
//
// Each accepted socket goes through the socket-tuning hook and the accept condition, is
// wrapped in a TimeoutBaseStream and an AsyncPutbackStream, and handed to the connection
// handler. Running out of descriptors pauses accepting; any other failure stops it for good.
// Shared object, alive while an accept or a retry wait is pending; runs on the I/O thread.
#pragma once

#include <chrono>
#include <functional>
#include <memory>
#include <sstream>
#include <string>
#include <utility>

#include "platform/lumo/Logger.hpp"
#include "transport/stream/AcceptError.hpp"
#include "transport/stream/Acceptor.hpp"
#include "transport/stream/AsyncPutbackStream.hpp"
#include "transport/stream/PolymorphicStreamServer.hpp"
#include "transport/stream/StreamServerSpec.hpp"
#include "transport/stream/TimeoutBaseStream.hpp"
#include "util/Asio.hpp"

namespace Lumo::Asio {

template <class AcceptorT = Acceptor, class AcceptCond = AcceptAllCond>
class StreamServer : public PolymorphicStreamServer,
                     public std::enable_shared_from_this<StreamServer<AcceptorT, AcceptCond>> {
public:
    using Socket = boost::asio::ip::tcp::socket;
    // Tunes each accepted socket (options) before it is wrapped.
    using SocketHook = std::function<void(Socket&)>;
    // Takes over each accepted connection.
    using ConnectionHandler = std::function<void(std::shared_ptr<AsyncPutbackStream>)>;

    enum class State { kIdle, kAccepting, kDelaying, kStopped };

    // A server over `acceptor` (already listening); nothing happens before Start.
    static std::shared_ptr<StreamServer> Create(AcceptorT acceptor, const StreamServerSpec& spec, SocketHook hook,
                                                ConnectionHandler handler, std::shared_ptr<Log::Logger> logger,
                                                AcceptCond condition = AcceptCond())
    {
        return std::shared_ptr<StreamServer>(new StreamServer(std::move(acceptor), spec, std::move(hook),
                                                              std::move(handler), std::move(logger),
                                                              std::move(condition)));
    }

    void Start() override
    {
        if (state_ == State::kIdle) {
            DoAccept();
        }
    }

    void Stop() override
    {
        state_ = State::kStopped;
        acceptor_.Close();
        delayTimer_.cancel();
    }

    // Where the loop stands; for diagnostics and tests.
    State CurrentState() const noexcept { return state_; }

    AcceptorT& GetAcceptor() noexcept { return acceptor_; }

private:
    StreamServer(AcceptorT acceptor, const StreamServerSpec& spec, SocketHook hook, ConnectionHandler handler,
                 std::shared_ptr<Log::Logger> logger, AcceptCond condition)
        : acceptor_(std::move(acceptor)),
          spec_(spec),
          hook_(std::move(hook)),
          handler_(std::move(handler)),
          logger_(std::move(logger)),
          condition_(std::move(condition)),
          delayTimer_(acceptor_.get_executor())
    {
    }

    void DoAccept()
    {
        state_ = State::kAccepting;
        acceptor_.AsyncAccept([self = this->shared_from_this()](const boost::system::error_code& ec, Socket socket) {
            self->OnAccept(ec, std::move(socket));
        });
    }

    void OnAccept(const boost::system::error_code& ec, Socket socket)
    {
        if (ec) {
            OnAcceptError(AcceptError::Classify(ec));
            return;
        }
        // The next connection never waits for this one's hand-off.
        if (state_ == State::kAccepting) {
            DoAccept();
        }
        HandOff(std::move(socket));
    }

    void HandOff(Socket socket)
    {
        if (hook_) {
            hook_(socket);
        }
        if (!condition_(static_cast<const Socket&>(socket))) {
            boost::system::error_code ignored;
            socket.close(ignored);
            return;
        }
        IdleMemoryTrimmer::Token open = spec_.trimmer ? spec_.trimmer->Enter() : nullptr;
        auto stream = std::make_shared<AsyncPutbackStream>(
            TimeoutBaseStream(std::move(socket), spec_.timeouts, std::move(open)));
        if (handler_) {
            handler_(std::move(stream));
        }
    }

    void OnAcceptError(const AcceptError& error)
    {
        std::ostringstream line;
        line << "Accept Error: " << error.error.message();
        if (error.Terminal()) {
            line << ";TerminalAcceptError";
        }
        if (error.Delay()) {
            line << ";DelayAcceptError";
        }
        line << ".Acceptor info:" << acceptor_.Describe();
        Log::Write(logger_.get(), Log::kError, line.str());

        if (error.Terminal() || state_ == State::kStopped) {
            state_ = State::kStopped;
            return;
        }
        DoDelay();
    }

    void DoDelay()
    {
        state_ = State::kDelaying;
        delayTimer_.expires_at(SaturatingDeadline(std::chrono::steady_clock::now(), spec_.acceptRetryDelay));
        delayTimer_.async_wait(
            [self = this->shared_from_this()](const boost::system::error_code& ec) { self->OnDelay(ec); });
    }

    void OnDelay(const boost::system::error_code& ec)
    {
        if (ec) {
            Log::Write(logger_.get(), Log::kError, "Delay timer Accept Error: ", ec.message(), acceptor_.Describe());
            state_ = State::kStopped;
            return;
        }
        if (state_ == State::kDelaying) {
            DoAccept();
        }
    }

    // Constant after construction.
    AcceptorT acceptor_;
    const StreamServerSpec spec_;
    const SocketHook hook_;
    const ConnectionHandler handler_;
    const std::shared_ptr<Log::Logger> logger_;
    AcceptCond condition_;
    // Used on the I/O thread only.
    boost::asio::steady_timer delayTimer_;
    State state_ = State::kIdle;
};

}  // namespace Lumo::Asio
