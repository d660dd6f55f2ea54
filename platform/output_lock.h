#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <variant>

namespace satphase {

// A sweep's output file, held open and locked for the whole run, so that a
// second program writing the same file is refused at once instead of
// interleaving its records with ours. The lock is advisory (flock): it binds
// every satphase that writes the file, and is released when the process
// ends, however it ends.
//
// Files that are not regular (a terminal, /dev/null, a pipe) are written
// without a lock: there is nothing in them to protect.
class LockedOutput {
  public:
    // Why opening failed, and whether another writer holds the file.
    struct Failure {
        std::string message;  // one line, naming the file and the system's reason
        bool busy = false;    // another program holds the lock
    };

    // Opens `path` for writing, creating it (mode 0666 less the umask) if it
    // does not exist, without truncating it, and takes its lock.
    static std::variant<LockedOutput, Failure> open(const std::string& path);

    LockedOutput(LockedOutput&& other) noexcept;
    LockedOutput& operator=(LockedOutput&& other) noexcept;
    LockedOutput(const LockedOutput&) = delete;
    LockedOutput& operator=(const LockedOutput&) = delete;
    ~LockedOutput();  // closes the file, which releases the lock

    // Whether the file is a regular file, which can be read back and truncated.
    bool regular() const { return regular_; }
    // Cuts the file to `bytes` and writes from there on. Returns the system's
    // reason on failure.
    std::optional<std::string> truncate(std::uintmax_t bytes);
    // Writes all of `text`; the system's reason on failure (a full disk...).
    std::optional<std::string> write(std::string_view text);

  private:
    explicit LockedOutput(int fd, bool regular) : fd_(fd), regular_(regular) {}
    int fd_ = -1;
    bool regular_ = false;
};

// Writes all of `text` to standard output, unbuffered and as
// LockedOutput::write() writes, for output that goes there instead.
std::optional<std::string> writeStandardOutput(std::string_view text);

}  // namespace satphase
