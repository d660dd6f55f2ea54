#include "platform/interrupt.h"

#include <csignal>
#include <cstdlib>

namespace satphase {

namespace {

// Written by the signal handler, so it can only be a lock-free global.
std::atomic<bool> requested{false};
static_assert(std::atomic<bool>::is_always_lock_free);

extern "C" void onInterrupt(int /*signal*/) {
    if (requested.exchange(true)) {
        std::_Exit(130);  // async-signal-safe, unlike exit()
    }
}

}  // namespace

void catchInterrupts() {
    std::signal(SIGINT, onInterrupt);
    std::signal(SIGTERM, onInterrupt);
}

const std::atomic<bool>& interruptRequested() {
    return requested;
}

}  // namespace satphase
