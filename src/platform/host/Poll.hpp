// Poll: the host library's main loop, run by the main thread until an exit flag is set.
//
// The loop sleeps in ppoll(2) on a wake-up descriptor and runs the timers registered for
// its poll class. A flag set by a signal handler is seen at once when the signal lands
// on the looping thread and within kPollCheckInterval otherwise. Registration, wake-up
// and exit may be called from any thread; one thread runs the loop.
#pragma once

#include <chrono>
#include <csignal>
#include <cstdint>
#include <functional>

// Longest time the loop sleeps before it looks at its exit flag again.
inline constexpr std::chrono::milliseconds kPollCheckInterval{50};

// Prepares the loop. Calling it again before Poll_Exit does nothing.
void Poll_InitDefault();

// Runs the loop for `pollClass`: with `loop` nonzero until *exitFlag is nonzero, with
// `loop` zero for one wait. A null flag never ends a loop of its own accord. Ends the
// process when the loop was not initialised.
void Poll_Loop(int loop, volatile sig_atomic_t* exitFlag, int pollClass);

// Tears the loop down and drops every timer. The loop must not be running.
void Poll_Exit();

// Makes a waiting loop look at its flag and timers at once. Async-signal-safe.
void Poll_Wakeup();

using PollTimerId = uint64_t;

// Calls `callback` on the looping thread every `period` (at least 1 ms) while a loop of
// `pollClass` runs. Returns the timer's id (never 0).
PollTimerId Poll_AddTimer(int pollClass, std::chrono::milliseconds period, std::function<void()> callback);

// Stops a timer; a callback may remove its own timer. False when no such timer exists.
bool Poll_RemoveTimer(PollTimerId id);
