#include "platform/error_report.h"

#include <algorithm>
#include <cassert>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>

namespace satphase {

// The line is put together first and written with one call: standard error
// is unbuffered, so pieces written one by one would each be a write of their
// own, and another process's line could land between them. A line break in
// a message from elsewhere (a library's exception) becomes a space, so that
// the report stays one line.
void ErrorReport::say(std::string_view message) const {
    constexpr std::string_view program = "satphase";
    const std::size_t length =
        program.size() + (command_.empty() ? 0 : 1 + command_.size()) + 2 + message.size() + 1;
    char buffer[1024];
    std::string longer;
    char* line = buffer;
    if (length > sizeof buffer) {
        longer.resize(length);
        line = longer.data();
    }
    char* at = line;
    const auto put = [&at](std::string_view piece) {
        if (!piece.empty()) {
            std::memcpy(at, piece.data(), piece.size());
            at += piece.size();
        }
    };
    put(program);
    if (!command_.empty()) {
        put(" ");
        put(command_);
    }
    put(": ");
    char* const messageStart = at;
    put(message);
    std::replace(messageStart, at, '\n', ' ');
    put("\n");
    assert(static_cast<std::size_t>(at - line) == length);
    std::fwrite(line, 1, length, stderr);
}

const char* reasonOf(int error, const char* fallback) {
    return error != 0 ? std::strerror(error) : fallback;
}

const char* systemReason(const char* fallback) {
    return reasonOf(errno, fallback);
}

}  // namespace satphase
