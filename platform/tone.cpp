#include "platform/tone.h"

#if defined(_WIN32)
#define NOMINMAX
#define WIN32_LEAN_AND_MEAN
#include <windows.h>
#else
#include <unistd.h>

#include <chrono>
#include <thread>
#endif

namespace satphase {

void HostTone::sound(int frequencyHz, int durationMs) {
    if (durationMs <= 0) {
        return;
    }
#if defined(_WIN32)
    // Without a sound device, or for a pitch it cannot play, Beep fails at
    // once; the duration is still kept.
    if (Beep(static_cast<DWORD>(frequencyHz), static_cast<DWORD>(durationMs)) == 0) {
        Sleep(static_cast<DWORD>(durationMs));
    }
#else
    // A terminal bell has no pitch of its own; the duration is kept by waiting.
    static_cast<void>(frequencyHz);
    if (isatty(STDERR_FILENO) != 0) {
        const char bell = '\a';
        static_cast<void>(write(STDERR_FILENO, &bell, 1));
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(durationMs));
#endif
}

}  // namespace satphase
