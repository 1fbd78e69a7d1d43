#include "transport/stream/TimeoutBaseStream.hpp"

namespace Lumo::Asio {

// The drain after a graceful close. Holds the connection's state until the peer closes,
// the byte budget is spent or the timer fires, whichever comes first.
class TimeoutBaseStream::Linger : public std::enable_shared_from_this<Linger> {
public:
    explicit Linger(std::shared_ptr<State> state) : state_(std::move(state)), timer_(state_->socket.get_executor()) {}

    void Start()
    {
        timer_.expires_after(kLingerTime);
        timer_.async_wait([self = shared_from_this()](const boost::system::error_code& ec) {
            if (!ec) {
                self->Finish();
            }
        });
        DoRead();
    }

private:
    void DoRead()
    {
        std::lock_guard<std::mutex> lock(state_->mutex);
        state_->socket.async_read_some(boost::asio::buffer(scratch_),
                                       [self = shared_from_this()](const boost::system::error_code& ec,
                                                                   std::size_t bytes) { self->OnRead(ec, bytes); });
    }

    void OnRead(const boost::system::error_code& ec, std::size_t bytes)
    {
        drained_ += bytes;
        if (ec || drained_ >= kLingerBytes) {
            Finish();
            return;
        }
        DoRead();
    }

    void Finish()
    {
        timer_.cancel();
        std::lock_guard<std::mutex> lock(state_->mutex);
        boost::system::error_code ignored;
        state_->socket.close(ignored);
    }

    std::shared_ptr<State> state_;
    boost::asio::steady_timer timer_;
    std::size_t drained_ = 0;
    char scratch_[4096];
};

TimeoutBaseStream::TimeoutBaseStream(Socket socket, const IOTimeouts& timeouts, std::shared_ptr<void> lifetime)
    : state_(std::make_shared<State>(std::move(socket), timeouts, std::move(lifetime)))
{
}

TimeoutBaseStream::State::State(Socket s, const IOTimeouts& t, std::shared_ptr<void> l)
    : timeouts(t), socket(std::move(s)), read(socket.get_executor()), write(socket.get_executor()), lifetime(std::move(l))
{
}

void TimeoutBaseStream::CloseGracefully()
{
    boost::system::error_code ec;
    {
        std::lock_guard<std::mutex> lock(state_->mutex);
        state_->socket.shutdown(Socket::shutdown_send, ec);
        // The drain has a limit of its own; the deadlines of earlier operations are over.
        for (Deadline* deadline : {&state_->read, &state_->write}) {
            deadline->expiry = Clock::time_point::max();
            deadline->timer.cancel();
            deadline->waitPending = false;
        }
    }
    if (ec) {
        Close();
        return;
    }
    std::make_shared<Linger>(state_)->Start();
}

void TimeoutBaseStream::Close()
{
    std::lock_guard<std::mutex> lock(state_->mutex);
    state_->CloseLocked();
}

void TimeoutBaseStream::State::CloseLocked()
{
    boost::system::error_code ignored;
    socket.close(ignored);
    for (Deadline* deadline : {&read, &write}) {
        deadline->expiry = Clock::time_point::max();
        deadline->timer.cancel();
        deadline->waitPending = false;
    }
}

boost::asio::ip::tcp::endpoint TimeoutBaseStream::RemoteEndpoint(boost::system::error_code& ec) const
{
    const Peer* peer = RemotePeer();
    ec = peer != nullptr ? boost::system::error_code() : make_error_code(boost::asio::error::not_connected);
    return peer != nullptr ? peer->endpoint : boost::asio::ip::tcp::endpoint();
}

const TimeoutBaseStream::Peer* TimeoutBaseStream::RemotePeer() const
{
    std::lock_guard<std::mutex> lock(state_->mutex);
    if (!state_->peer) {
        boost::system::error_code ec;
        const auto endpoint = state_->socket.remote_endpoint(ec);
        if (ec) {
            return nullptr;
        }
        state_->peer = Peer{endpoint, endpoint.address().to_string()};
    }
    return &*state_->peer;
}

void TimeoutBaseStream::State::ArmLocked(Direction direction)
{
    Deadline& deadline = Of(direction);
    const auto timeout = direction == Direction::kRead ? timeouts.readTimeout : timeouts.writeTimeout;
    deadline.expiry = SaturatingDeadline(Clock::now(), timeout);
    if (deadline.expiry == Clock::time_point::max()) {
        return;  // no timeout
    }
    // A pending wait that wakes up before the new deadline finds it then and waits again;
    // only one that would wake up too late is replaced.
    if (deadline.waitPending && deadline.wakeup <= deadline.expiry) {
        return;
    }
    WaitLocked(direction);
}

void TimeoutBaseStream::State::WaitLocked(Direction direction)
{
    Deadline& deadline = Of(direction);
    // Moving the expiry cancels a wait still pending; it completes as cancelled and does nothing.
    deadline.timer.expires_at(deadline.expiry);
    deadline.wakeup = deadline.expiry;
    deadline.waitPending = true;
    // The timer does not keep the connection alive: only operations and owners do.
    deadline.timer.async_wait([weak = weak_from_this(), direction](const boost::system::error_code& ec) {
        OnTimer(weak, direction, ec);
    });
}

void TimeoutBaseStream::State::Disarm(Direction direction)
{
    std::lock_guard<std::mutex> lock(mutex);
    // The wait stays pending: it finds no deadline when it wakes, or the next operation's.
    Of(direction).expiry = Clock::time_point::max();
}

void TimeoutBaseStream::State::OnTimer(const std::weak_ptr<State>& weak, Direction direction,
                                       const boost::system::error_code& ec)
{
    if (ec) {
        return;  // cancelled: replaced by an earlier wait, or the stream closed
    }
    auto state = weak.lock();
    if (!state) {
        return;
    }
    std::lock_guard<std::mutex> lock(state->mutex);
    Deadline& deadline = state->Of(direction);
    deadline.waitPending = false;
    if (deadline.expiry == Clock::time_point::max()) {
        return;  // no operation outstanding: the next one starts a wait
    }
    if (Clock::now() < deadline.expiry) {
        state->WaitLocked(direction);  // a later operation moved the deadline on
        return;
    }
    deadline.expiry = Clock::time_point::max();
    if (state->socket.is_open()) {
        // Shutting down (rather than closing) makes the pending operation complete with an
        // error through the normal path, while the descriptor stays owned by the state.
        boost::system::error_code ignored;
        state->socket.shutdown(Socket::shutdown_both, ignored);
    }
}

}  // namespace Lumo::Asio
