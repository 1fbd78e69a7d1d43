// TimeoutBaseStream: one accepted TCP connection whose reads and writes carry deadlines.
//
// The socket, the stream mutex and both deadline timers live in a shared state that every
// pending operation holds, so the state outlives the stream object while operations are
// pending; the socket closes when the last holder lets go. Operations may be started from
// any thread: their start, every deadline change and every expiry check take the mutex.
//
// Deadlines are kept lazily: starting or completing an operation only writes its deadline,
// and a timer wait, once started, stays pending until it fires. It then shuts the socket
// down if the deadline has passed, or waits again for the deadline now in force. A busy
// connection thus touches its timers once per timeout period, not twice per operation.
#pragma once

#include <chrono>
#include <cstddef>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <utility>

#include "transport/stream/IOTimeouts.hpp"
#include "util/Asio.hpp"

namespace Lumo::Asio {

class TimeoutBaseStream {
public:
    using Socket = boost::asio::ip::tcp::socket;
    using executor_type = Socket::executor_type;
    using Clock = std::chrono::steady_clock;

    // Takes over `socket` (open and connected); the timeouts apply to every later operation.
    // `lifetime` (may be null) is released when the connection's state goes, socket closed.
    TimeoutBaseStream(Socket socket, const IOTimeouts& timeouts, std::shared_ptr<void> lifetime = nullptr);

    // Reads some bytes into `buffers`; handler(error_code, bytes). The read deadline runs
    // from the start of the read until its completion.
    template <class MutableBuffers, class Handler>
    void async_read_some(const MutableBuffers& buffers, Handler&& handler)
    {
        std::lock_guard<std::mutex> lock(state_->mutex);
        state_->ArmLocked(Direction::kRead);
        state_->socket.async_read_some(buffers,
                                       Completion<std::decay_t<Handler>>(state_, Direction::kRead,
                                                                         std::forward<Handler>(handler)));
    }

    // Writes some bytes of `buffers`; handler(error_code, bytes). Same deadline rule as reads.
    template <class ConstBuffers, class Handler>
    void async_write_some(const ConstBuffers& buffers, Handler&& handler)
    {
        std::lock_guard<std::mutex> lock(state_->mutex);
        state_->ArmLocked(Direction::kWrite);
        state_->socket.async_write_some(buffers,
                                        Completion<std::decay_t<Handler>>(state_, Direction::kWrite,
                                                                          std::forward<Handler>(handler)));
    }

    // The executor that runs the socket's completions.
    executor_type get_executor() noexcept { return state_->socket.get_executor(); }

    // Closes the socket and stops both timers; pending operations complete with an error.
    void Close();

    // Ends the connection without endangering the last answer: sends end of file, reads
    // and drops what the peer still sends (at most kLingerBytes, for at most kLingerTime),
    // then closes. Closing with unread bytes makes the kernel send a reset, which can
    // destroy an answer the client has not read yet.
    void CloseGracefully();

    static constexpr std::size_t kLingerBytes = 1 << 20;
    static constexpr std::chrono::milliseconds kLingerTime{2000};

    // The peer's address, and the address as text.
    struct Peer {
        boost::asio::ip::tcp::endpoint endpoint;
        std::string address;
    };

    // The peer's address, or `ec` set when the socket has none (closed, not connected).
    // Asked of the socket once, then remembered: the peer of a connection never changes.
    boost::asio::ip::tcp::endpoint RemoteEndpoint(boost::system::error_code& ec) const;
    // The same with its text, made once too; null when the socket has none. Valid while
    // this stream lives.
    const Peer* RemotePeer() const;

    // The socket, for options and tests; operations on it bypass the deadlines.
    Socket& Lowest() noexcept { return state_->socket; }

private:
    enum class Direction { kRead, kWrite };

    struct Deadline {
        explicit Deadline(const executor_type& executor) : timer(executor) {}
        boost::asio::steady_timer timer;
        // When the operation in progress times out; "never" while none is outstanding.
        Clock::time_point expiry = Clock::time_point::max();
        // Whether a wait is pending on the timer, and the time it wakes up at.
        bool waitPending = false;
        Clock::time_point wakeup = Clock::time_point::max();
    };

    struct State : std::enable_shared_from_this<State> {
        State(Socket s, const IOTimeouts& t, std::shared_ptr<void> l);

        Deadline& Of(Direction direction) { return direction == Direction::kRead ? read : write; }
        // Sets the deadline of `direction` to now + its timeout; makes sure a wait will
        // wake up at or before it.
        void ArmLocked(Direction direction);
        // Sets the deadline of `direction` to "never"; called when its operation completed.
        void Disarm(Direction direction);
        // Starts a wait of `direction`'s timer for its current deadline.
        void WaitLocked(Direction direction);
        static void OnTimer(const std::weak_ptr<State>& weak, Direction direction,
                            const boost::system::error_code& ec);
        // Closes the socket and cancels both timers.
        void CloseLocked();

        // Constant after construction.
        const IOTimeouts timeouts;
        // Guarded by mutex: operation starts on the socket, both deadlines, the peer.
        std::mutex mutex;
        Socket socket;
        Deadline read;
        Deadline write;
        std::optional<Peer> peer;
        // Held for the life of the connection, for whoever counts open connections.
        const std::shared_ptr<void> lifetime;
    };

    // The completion of one socket operation: stops its deadline, then calls the caller's
    // handler. Carries the handler's executor and allocator so composed operations keep them.
    template <class Handler>
    class Completion {
    public:
        using executor_type = boost::asio::associated_executor_t<Handler, Socket::executor_type>;
        using allocator_type = boost::asio::associated_allocator_t<Handler>;

        template <class H>
        Completion(std::shared_ptr<State> state, Direction direction, H&& handler)
            : state_(std::move(state)), direction_(direction), handler_(std::forward<H>(handler))
        {
        }

        executor_type get_executor() const noexcept
        {
            return boost::asio::get_associated_executor(handler_, state_->socket.get_executor());
        }
        allocator_type get_allocator() const noexcept
        {
            return boost::asio::get_associated_allocator(handler_);
        }

        void operator()(const boost::system::error_code& ec, std::size_t bytes)
        {
            state_->Disarm(direction_);
            // The state may be the last reference to the socket; keep it until the handler ran.
            auto keep = std::move(state_);
            handler_(ec, bytes);
        }

    private:
        std::shared_ptr<State> state_;
        Direction direction_;
        Handler handler_;
    };

    class Linger;

    std::shared_ptr<State> state_;
};

}  // namespace Lumo::Asio
