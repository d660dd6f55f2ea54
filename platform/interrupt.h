#pragma once

#include <atomic>

namespace satphase {

// Ctrl-C as a request to stop: once catchInterrupts() has run, the first
// SIGINT (or SIGTERM) raises the flag instead of ending the process, so that
// long work can stop at a clean point and say what it kept. A second one
// ends the process at once with status 130: a user who presses Ctrl-C
// again does not want to wait.
// A call blocked in the thread that receives the signal returns EINTR: a
// command that sees EINTR with the flag raised stops as interrupted.
void catchInterrupts();
const std::atomic<bool>& interruptRequested();

// Keeps SIGINT and SIGTERM from the calling thread, a helper thread, so that
// they reach the main thread: the one that writes the output, whose write
// blocked on a stalled pipe must return for the request to be seen.
void leaveInterruptsToTheMainThread();

}  // namespace satphase
