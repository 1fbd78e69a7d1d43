#include "client/TaskFollower.hpp"

#include <unistd.h>

#include <csignal>
#include <thread>

namespace HostprefCtl {

namespace {

// A progress bar interrupted mid-line would leave the shell's prompt behind it.
void EndLineAndExit(int)
{
    (void)!write(STDERR_FILENO, "\n", 1);
    _exit(128 + SIGINT);
}

// Keeps EndLineAndExit as the SIGINT handler while a display may be mid-line.
class InterruptGuard {
public:
    InterruptGuard() : previous_(std::signal(SIGINT, EndLineAndExit)) {}
    ~InterruptGuard() { std::signal(SIGINT, previous_); }
    InterruptGuard(const InterruptGuard&) = delete;
    InterruptGuard& operator=(const InterruptGuard&) = delete;

private:
    void (*previous_)(int);
};

}  // namespace

RpcAnswer TaskFollower::Follow()
{
    InterruptGuard guard;
    for (;;) {
        RpcAnswer answer = get_();
        if (answer.IsError()) return answer;
        const TaskState state = TaskView::State(answer.Result());
        if (state.Ended()) {
            display_.Finish(state);
            return answer;
        }
        display_.Show(state);
        std::this_thread::sleep_for(interval_);
    }
}

}  // namespace HostprefCtl
