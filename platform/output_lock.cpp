#include "platform/output_lock.h"

#include <fcntl.h>
#include <sys/stat.h>

#include <cerrno>
#include <utility>

#include "platform/error_report.h"
#include "platform/interrupt.h"

#ifdef _WIN32
#include <io.h>
#else
#include <sys/file.h>
#include <unistd.h>
#endif

namespace satphase {

namespace {

#ifdef _WIN32
int openFile(const char* path) {
    return ::_open(path, _O_WRONLY | _O_CREAT | _O_BINARY, _S_IREAD | _S_IWRITE);
}
// Windows has no flock; its writers are not locked against each other.
bool lockFile(int /*fd*/) {
    return true;
}
int closeFile(int fd) {
    return ::_close(fd);
}
long long writeSome(int fd, const char* data, std::size_t size) {
    return ::_write(fd, data, static_cast<unsigned>(size > 1U << 30 ? 1U << 30 : size));
}
bool truncateFile(int fd, std::uintmax_t bytes) {
    return ::_chsize_s(fd, static_cast<long long>(bytes)) == 0 &&
           ::_lseeki64(fd, static_cast<long long>(bytes), SEEK_SET) >= 0;
}
#else
int openFile(const char* path) {
    return ::open(path, O_WRONLY | O_CREAT | O_CLOEXEC | O_NOCTTY, 0666);
}
bool lockFile(int fd) {
    return ::flock(fd, LOCK_EX | LOCK_NB) == 0;
}
int closeFile(int fd) {
    return ::close(fd);
}
long long writeSome(int fd, const char* data, std::size_t size) {
    return ::write(fd, data, size);
}
bool truncateFile(int fd, std::uintmax_t bytes) {
    return ::ftruncate(fd, static_cast<off_t>(bytes)) == 0 &&
           ::lseek(fd, static_cast<off_t>(bytes), SEEK_SET) >= 0;
}
#endif

// Writes all of `text`, retrying short writes, unless Ctrl-C or SIGTERM
// cut one short: a write blocked on a pipe or FIFO that nobody empties
// returns then (EINTR, or the part it wrote), and the command stops as
// interrupted instead of blocking again.
std::optional<std::string> writeAll(int fd, std::string_view text) {
    while (!text.empty()) {
        const long long written = writeSome(fd, text.data(), text.size());
        if (written < 0 && errno != EINTR) {
            return reasonOf(errno);
        }
        text.remove_prefix(static_cast<std::size_t>(written < 0 ? 0 : written));
        if (!text.empty() && interruptRequested().load()) {
            return reasonOf(EINTR);
        }
    }
    return std::nullopt;
}

}  // namespace

std::variant<LockedOutput, LockedOutput::Failure> LockedOutput::open(const std::string& path) {
    struct stat before {};
    if (::stat(path.c_str(), &before) == 0 && S_ISDIR(before.st_mode)) {
        return Failure{path + ": is a directory, not a file to write"};
    }
    const int fd = openFile(path.c_str());
    if (fd < 0) {
        return Failure{"cannot write " + path + ": " + reasonOf(errno)};
    }
    struct stat status {};
    const bool regular = ::fstat(fd, &status) == 0 && S_ISREG(status.st_mode);
    if (regular && !lockFile(fd)) {
        const int error = errno;
        closeFile(fd);
        if (error == EWOULDBLOCK) {
            return Failure{path +
                               ": another satphase is writing this file; wait for it or "
                               "choose another --output",
                           true};
        }
        return Failure{"cannot lock " + path + ": " + reasonOf(error)};
    }
    return LockedOutput(fd, regular);
}

LockedOutput::LockedOutput(LockedOutput&& other) noexcept
    : fd_(std::exchange(other.fd_, -1)), regular_(other.regular_) {}

LockedOutput& LockedOutput::operator=(LockedOutput&& other) noexcept {
    if (this != &other) {
        if (fd_ >= 0) {
            closeFile(fd_);
        }
        fd_ = std::exchange(other.fd_, -1);
        regular_ = other.regular_;
    }
    return *this;
}

LockedOutput::~LockedOutput() {
    if (fd_ >= 0) {
        closeFile(fd_);
    }
}

std::optional<std::string> LockedOutput::truncate(std::uintmax_t bytes) {
    if (regular_ && !truncateFile(fd_, bytes)) {
        return reasonOf(errno);
    }
    return std::nullopt;
}

std::optional<std::string> LockedOutput::write(std::string_view text) {
    return writeAll(fd_, text);
}

std::optional<std::string> writeStandardOutput(std::string_view text) {
    return writeAll(1, text);
}

}  // namespace satphase
