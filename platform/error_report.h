#pragma once

#include <string_view>

namespace satphase {

// How every command of satphase says what went wrong: one line on standard
// error, "satphase COMMAND: message" ("satphase: message" before a command
// is known), written in one piece so that lines of two programs sharing a
// terminal or a log never interleave. It allocates nothing for lines of up to
// a kilobyte, so that the classic report can use it too.
class ErrorReport {
  public:
    // `command` is the command's name, or empty; it must outlive the reporter.
    explicit constexpr ErrorReport(std::string_view command) : command_(command) {}

    // Says `message` as one line; a line break in it becomes a space.
    void say(std::string_view message) const;

    // Says `message` and gives back `status`, the exit status that goes with it.
    int fail(int status, std::string_view message) const {
        say(message);
        return status;
    }

  private:
    std::string_view command_;
};

// The system's words for the error number `error`, or `fallback` for 0, as
// a stream that fails without saying why leaves it.
const char* reasonOf(int error, const char* fallback = "unknown error");

// The system's reason for the last failed call (errno), or `fallback` when it
// left none.
const char* systemReason(const char* fallback);

}  // namespace satphase
