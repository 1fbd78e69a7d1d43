#include "platform/host/Poll.hpp"

#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <map>
#include <mutex>
#include <vector>

#include "platform/host/CSLogger.hpp"
#include "platform/host/Panic.hpp"

namespace {

using Clock = std::chrono::steady_clock;

struct Timer {
    int pollClass;
    std::chrono::milliseconds period;
    Clock::time_point due;
    std::function<void()> callback;
};

// The process's loop state.
class PollState {
public:
    void Init()
    {
        std::lock_guard<std::mutex> lock(mutex_);
        if (initialised_) {
            return;
        }
        if (wakeFd_ < 0) {
            const int fd = eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
            if (fd < 0) {
                // Without it the loop still ends within one check interval.
                CSLogger::Log(1, "Poll: eventfd failed (errno %d); wake-ups wait for the check interval",
                              errno);
            }
            wakeFd_ = fd;
        }
        initialised_ = true;
    }

    void Exit()
    {
        // The wake-up descriptor stays open for the life of the process: a signal
        // handler may still call Wakeup, and a closed number could be reused by a file.
        std::lock_guard<std::mutex> lock(mutex_);
        timers_.clear();
        initialised_ = false;
    }

    void Wakeup() const
    {
        const int fd = wakeFd_.load();
        if (fd >= 0) {
            const uint64_t one = 1;
            // A full counter already means a pending wake-up; the result needs no look.
            [[maybe_unused]] ssize_t written = write(fd, &one, sizeof one);
        }
    }

    PollTimerId Add(int pollClass, std::chrono::milliseconds period, std::function<void()> callback)
    {
        period = std::max(period, std::chrono::milliseconds(1));
        PollTimerId id;
        {
            std::lock_guard<std::mutex> lock(mutex_);
            id = ++lastId_;
            timers_[id] = Timer{pollClass, period, Clock::now() + period, std::move(callback)};
        }
        Wakeup();  // the loop may be sleeping past the new timer's first deadline
        return id;
    }

    bool Remove(PollTimerId id)
    {
        std::lock_guard<std::mutex> lock(mutex_);
        return timers_.erase(id) > 0;
    }

    void Loop(bool loop, volatile sig_atomic_t* exitFlag, int pollClass)
    {
        {
            std::lock_guard<std::mutex> lock(mutex_);
            VERIFY(initialised_);
        }
        do {
            RunDueTimers(pollClass);
            if (FlagSet(exitFlag)) {
                break;
            }
            Wait(NextWait(pollClass));
            RunDueTimers(pollClass);
        } while (loop && !FlagSet(exitFlag));
    }

private:
    // An atomic read: besides a signal handler, another thread may set the flag.
    static bool FlagSet(volatile sig_atomic_t* flag)
    {
        return flag != nullptr && __atomic_load_n(flag, __ATOMIC_ACQUIRE) != 0;
    }

    std::chrono::milliseconds NextWait(int pollClass)
    {
        std::lock_guard<std::mutex> lock(mutex_);
        auto wait = kPollCheckInterval;
        const auto now = Clock::now();
        for (const auto& [id, timer] : timers_) {
            if (timer.pollClass == pollClass) {
                auto left = std::chrono::ceil<std::chrono::milliseconds>(timer.due - now);
                wait = std::min(wait, std::max(left, std::chrono::milliseconds(0)));
            }
        }
        return wait;
    }

    void Wait(std::chrono::milliseconds wait)
    {
        struct pollfd waitFd = {wakeFd_.load(), POLLIN, 0};
        struct timespec timeout = {static_cast<time_t>(wait.count() / 1000),
                                   static_cast<long>((wait.count() % 1000) * 1000000)};
        // EINTR is the expected way out when the exit signal lands on this thread.
        const int ready = ppoll(&waitFd, waitFd.fd >= 0 ? 1 : 0, &timeout, nullptr);
        if (ready > 0) {
            uint64_t count;
            [[maybe_unused]] ssize_t drained = read(waitFd.fd, &count, sizeof count);
        }
    }

    // Callbacks run without the lock, so they may add or remove timers, their own too.
    void RunDueTimers(int pollClass)
    {
        std::vector<std::pair<PollTimerId, std::function<void()>>> due;
        {
            std::lock_guard<std::mutex> lock(mutex_);
            const auto now = Clock::now();
            for (auto& [id, timer] : timers_) {
                if (timer.pollClass == pollClass && timer.due <= now) {
                    timer.due = now + timer.period;
                    due.emplace_back(id, timer.callback);
                }
            }
        }
        for (auto& [id, callback] : due) {
            if (Alive(id)) {
                callback();
            }
        }
    }

    // An earlier callback of the same round may have removed a later timer.
    bool Alive(PollTimerId id)
    {
        std::lock_guard<std::mutex> lock(mutex_);
        return timers_.count(id) > 0;
    }

    // Read without the lock by Wakeup, which must stay async-signal-safe.
    std::atomic<int> wakeFd_{-1};

    // Guarded by mutex_.
    std::mutex mutex_;
    bool initialised_ = false;
    PollTimerId lastId_ = 0;
    std::map<PollTimerId, Timer> timers_;
};

PollState pollState;

}  // namespace

void Poll_InitDefault() { pollState.Init(); }

void Poll_Loop(int loop, volatile sig_atomic_t* exitFlag, int pollClass)
{
    pollState.Loop(loop != 0, exitFlag, pollClass);
}

void Poll_Exit() { pollState.Exit(); }

void Poll_Wakeup() { pollState.Wakeup(); }

PollTimerId Poll_AddTimer(int pollClass, std::chrono::milliseconds period, std::function<void()> callback)
{
    return pollState.Add(pollClass, period, std::move(callback));
}

bool Poll_RemoveTimer(PollTimerId id) { return pollState.Remove(id); }
