#pragma once

#include <atomic>

// Ctrl-C as a request to stop: once catchInterrupts() has run, SIGINT (and
// SIGTERM) raise the flag instead of ending the process, so that long work
// can stop at a clean point and say what it kept.
void catchInterrupts();
const std::atomic<bool>& interruptRequested();
