#pragma once

#include <atomic>

namespace satphase {

// Ctrl-C as a request to stop: once catchInterrupts() has run, the first
// SIGINT (or SIGTERM) raises the flag instead of ending the process, so that
// long work can stop at a clean point and say what it kept. A second one
// ends the process at once with status 130: a user who presses Ctrl-C
// again does not want to wait.
void catchInterrupts();
const std::atomic<bool>& interruptRequested();

}  // namespace satphase
