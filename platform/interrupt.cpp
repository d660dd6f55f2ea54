#include "platform/interrupt.h"

#include <csignal>
#include <cstdlib>

#include "platform/safe_file.h"

#if !defined(_WIN32)
#include <pthread.h>
#endif

namespace satphase {

namespace {

// Written by the signal handler, so it can only be a lock-free global.
std::atomic<bool> requested{false};
static_assert(std::atomic<bool>::is_always_lock_free);

extern "C" void onInterrupt(int /*signal*/) {
    if (requested.exchange(true)) {
        removeTemporaryFiles();  // only unlink(): async-signal-safe
        std::_Exit(130);         // async-signal-safe, unlike exit()
    }
}

}  // namespace

// Without SA_RESTART: an open() or write() blocked on a pipe or FIFO that
// nobody reads returns EINTR when the signal comes, and the command sees the
// request, where a restarted call would block again and the first Ctrl-C or
// SIGTERM would seem ignored.
void catchInterrupts() {
#if defined(_WIN32)
    std::signal(SIGINT, onInterrupt);
    std::signal(SIGTERM, onInterrupt);
#else
    struct sigaction action {};
    action.sa_handler = onInterrupt;
    sigemptyset(&action.sa_mask);
    action.sa_flags = 0;
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);
#endif
}

const std::atomic<bool>& interruptRequested() {
    return requested;
}

void leaveInterruptsToTheMainThread() {
#if !defined(_WIN32)
    sigset_t blocked;
    sigemptyset(&blocked);
    sigaddset(&blocked, SIGINT);
    sigaddset(&blocked, SIGTERM);
    pthread_sigmask(SIG_BLOCK, &blocked, nullptr);
#endif
}

}  // namespace satphase
