// IdleMemoryTrimmer: hands the memory that a burst of connections took back to the system
// once the last of them has closed. Freed blocks stay in malloc's arenas, scattered between
// live ones, so the daemon's resident size would stay at its peak; malloc_trim releases the
// free pages, at most once per interval so that clients coming and going one at a time do
// not pay for it on every close.
//
// Shared by the accept loops of one endpoint; each open connection holds a Token. Tokens may
// be released on any thread; the trim itself runs on the executor given at construction.
#pragma once

#include <atomic>
#include <chrono>
#include <cstddef>
#include <memory>

#include "util/Asio.hpp"

namespace Lumo::Asio {

class IdleMemoryTrimmer : public std::enable_shared_from_this<IdleMemoryTrimmer> {
public:
    using Clock = std::chrono::steady_clock;
    // Held by one open connection; releasing the last one makes the process idle.
    using Token = std::shared_ptr<void>;

    static std::shared_ptr<IdleMemoryTrimmer> Create(boost::asio::any_io_executor executor,
                                                     Clock::duration minInterval = std::chrono::seconds(1));

    // Counts a connection open until the returned token is released.
    Token Enter();

    // How many times memory was trimmed; for tests and diagnostics.
    std::size_t Trims() const noexcept { return trims_.load(); }

private:
    IdleMemoryTrimmer(boost::asio::any_io_executor executor, Clock::duration minInterval);

    void Leave();
    // On the executor: trims now, or once the interval since the last trim has passed, if
    // no connection opened in between.
    void TrimWhenIdle();
    void Trim();

    // Constant after construction.
    const Clock::duration minInterval_;
    // Any thread.
    std::atomic<std::size_t> open_{0};
    std::atomic<std::size_t> trims_{0};
    // Used on the executor only.
    boost::asio::steady_timer timer_;
    bool timerPending_ = false;
    Clock::time_point lastTrim_ = Clock::time_point::min();
};

}  // namespace Lumo::Asio
