// SigpipeGuard: keeps a write to a pipe whose reader has gone from raising SIGPIPE, which would
// end the whole process; the write fails with EPIPE instead.
//
// Scoped to the calling thread: blocks SIGPIPE for it while alive, and on destruction takes back
// a SIGPIPE the guarded writes raised for this thread before restoring the signal mask.
#pragma once

#include <pthread.h>
#include <signal.h>

#include <cerrno>
#include <ctime>

class SigpipeGuard {
public:
    SigpipeGuard()
    {
        sigemptyset(&pipeOnly_);
        sigaddset(&pipeOnly_, SIGPIPE);
        pthread_sigmask(SIG_BLOCK, &pipeOnly_, &saved_);
    }
    ~SigpipeGuard()
    {
        const int savedErrno = errno;
        // A SIGPIPE that was pending before the guard is not ours to take.
        if (!sigismember(&saved_, SIGPIPE)) {
            sigset_t pending;
            sigpending(&pending);
            if (sigismember(&pending, SIGPIPE)) {
                const timespec none = {0, 0};
                sigtimedwait(&pipeOnly_, nullptr, &none);
            }
        }
        pthread_sigmask(SIG_SETMASK, &saved_, nullptr);
        errno = savedErrno;
    }
    SigpipeGuard(const SigpipeGuard&) = delete;
    SigpipeGuard& operator=(const SigpipeGuard&) = delete;

private:
    sigset_t pipeOnly_;
    sigset_t saved_;
};
