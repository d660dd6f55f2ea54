#include "platform/safe_file.h"

#include <fcntl.h>
#include <sys/stat.h>

#include <algorithm>
#include <atomic>
#include <cassert>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <system_error>
#include <utility>
#include <vector>

#if defined(_WIN32)
#include <io.h>
#else
#include <pthread.h>
#include <unistd.h>
#endif

#include "platform/error_report.h"

namespace satphase {

namespace fs = std::filesystem;

namespace {

#if defined(_WIN32)
constexpr int kCreateFlags = _O_CREAT | _O_EXCL | _O_WRONLY | _O_BINARY;
int openExclusive(const char* path) {
    return ::_open(path, kCreateFlags, _S_IREAD | _S_IWRITE);
}
long writeSome(int fd, const char* data, std::size_t size) {
    return ::_write(fd, data, static_cast<unsigned>(std::min<std::size_t>(size, 1U << 30)));
}
int syncFile(int fd) {
    return ::_commit(fd);
}
int closeFile(int fd) {
    return ::_close(fd);
}
int removeFile(const char* path) {
    return ::_unlink(path);
}
#else
// O_EXCL with O_CREAT already refuses any name that exists, a link included;
// O_NOFOLLOW says so once more for systems that read it on its own.
constexpr int kCreateFlags = O_CREAT | O_EXCL | O_NOFOLLOW | O_WRONLY | O_CLOEXEC;
int openExclusive(const char* path) {
    return ::open(path, kCreateFlags, 0666);
}
long writeSome(int fd, const char* data, std::size_t size) {
    return ::write(fd, data, size);
}
int syncFile(int fd) {
    return ::fsync(fd);
}
int closeFile(int fd) {
    return ::close(fd);
}
int removeFile(const char* path) {
    return ::unlink(path);
}
#endif

std::string quoted(const fs::path& path) {
    return path.string();
}

// The temporary files alive in this process, so that a signal handler can
// remove them. A signal handler can reach only globals, so this is one. Its
// changes hold a spin lock with SIGINT and SIGTERM blocked in their thread:
// a handler that runs meanwhile runs on another thread and waits for them,
// and a handler never interrupts the holder of the lock on its own thread.
class TemporaryRegistry {
  public:
    // Creates a file under a new name that starts with `stem`, exclusively,
    // and records it; returns the descriptor (or -1, errno set) and the
    // record's number, 1 or more.
    std::pair<int, std::size_t> create(const std::string& stem, std::string& name) {
        static std::atomic<unsigned> counter{0};
        std::once_flag& once = atexitOnce();
        std::call_once(once, [] { std::atexit(removeTemporaryFiles); });
        for (int attempt = 0; attempt < 100; ++attempt) {
            const auto clock = static_cast<unsigned long long>(
                std::chrono::steady_clock::now().time_since_epoch().count());
            char suffix[32];
            std::snprintf(suffix, sizeof suffix, ".%06llx%04x.tmp", clock & 0xffffffULL,
                          (counter.fetch_add(1) * 2654435761U) >> 16 & 0xffffU);
            name = stem + suffix;
            Guard guard(*this);
            const int fd = openExclusive(name.c_str());
            if (fd < 0) {
                if (errno == EEXIST) {
                    continue;
                }
                return {-1, 0};
            }
            std::size_t slot;
            if (!free_.empty()) {
                slot = free_.back();
                free_.pop_back();
                paths_[slot] = name;
            } else {
                slot = paths_.size();
                paths_.push_back(name);
            }
            return {fd, slot + 1};
        }
        errno = EEXIST;
        return {-1, 0};
    }

    void forget(std::size_t record) {
        if (record == 0) {
            return;
        }
        Guard guard(*this);
        paths_[record - 1].clear();  // keeps its storage for the next name
        free_.push_back(record - 1);
    }

    void removeAll() noexcept {
#if !defined(_WIN32)
        sigset_t blocked;
        sigset_t previous;
        sigemptyset(&blocked);
        sigaddset(&blocked, SIGINT);
        sigaddset(&blocked, SIGTERM);
        pthread_sigmask(SIG_BLOCK, &blocked, &previous);
#endif
        while (busy_.test_and_set(std::memory_order_acquire)) {
        }
        for (const std::string& path : paths_) {
            if (!path.empty()) {
                removeFile(path.c_str());
            }
        }
        busy_.clear(std::memory_order_release);
#if !defined(_WIN32)
        pthread_sigmask(SIG_SETMASK, &previous, nullptr);
#endif
    }

  private:
    class Guard {
      public:
        explicit Guard(TemporaryRegistry& registry) : registry_(registry) {
#if !defined(_WIN32)
            sigset_t blocked;
            sigemptyset(&blocked);
            sigaddset(&blocked, SIGINT);
            sigaddset(&blocked, SIGTERM);
            pthread_sigmask(SIG_BLOCK, &blocked, &previous_);
#endif
            while (registry_.busy_.test_and_set(std::memory_order_acquire)) {
            }
        }
        ~Guard() {
            registry_.busy_.clear(std::memory_order_release);
#if !defined(_WIN32)
            pthread_sigmask(SIG_SETMASK, &previous_, nullptr);
#endif
        }
        Guard(const Guard&) = delete;
        Guard& operator=(const Guard&) = delete;

      private:
        TemporaryRegistry& registry_;
#if !defined(_WIN32)
        sigset_t previous_{};
#endif
    };

    static std::once_flag& atexitOnce() {
        static std::once_flag once;
        return once;
    }

    std::atomic_flag busy_ = ATOMIC_FLAG_INIT;
    std::vector<std::string> paths_;  // empty: a free record
    std::vector<std::size_t> free_;
};

TemporaryRegistry& registry() {
    static TemporaryRegistry instance;
    return instance;
}

// Holds SIGINT and SIGTERM back while a set of files is renamed into place,
// so that the default action cannot end the process with half the set; a
// signal that came meanwhile takes effect when the set is whole or undone.
class SignalsHeld {
  public:
    SignalsHeld() {
#if !defined(_WIN32)
        sigset_t blocked;
        sigemptyset(&blocked);
        sigaddset(&blocked, SIGINT);
        sigaddset(&blocked, SIGTERM);
        pthread_sigmask(SIG_BLOCK, &blocked, &previous_);
#endif
    }
    ~SignalsHeld() {
#if !defined(_WIN32)
        pthread_sigmask(SIG_SETMASK, &previous_, nullptr);
#endif
    }
    SignalsHeld(const SignalsHeld&) = delete;
    SignalsHeld& operator=(const SignalsHeld&) = delete;

  private:
#if !defined(_WIN32)
    sigset_t previous_{};
#endif
};

fs::path directoryOf(const fs::path& target) {
    return target.has_parent_path() ? target.parent_path() : fs::path(".");
}

// The stem of target's temporary names: hidden, in the same directory, so
// that the rename stays within one file system.
std::string temporaryStem(const fs::path& target) {
    std::string hidden = ".";
    hidden += target.filename().string();
    return (directoryOf(target) / hidden).string();
}

bool isTaken(const fs::path& path) {
    std::error_code ignored;
    return fs::exists(fs::symlink_status(path, ignored));
}

// Writes all of `content`, retrying short writes and interruptions.
int writeAll(int fd, std::string_view content) {
    while (!content.empty()) {
        const long written = writeSome(fd, content.data(), content.size());
        if (written < 0) {
            if (errno == EINTR) {
                continue;
            }
            return errno;
        }
        content.remove_prefix(static_cast<std::size_t>(written));
    }
    return 0;
}

// Flushes to the device (when `sync`) and closes; an error that shows only
// here is as much a lost write as one from write().
int syncAndClose(int fd, bool sync = true) {
    int error = sync && syncFile(fd) != 0 && errno != EINVAL && errno != EROFS ? errno : 0;
    if (closeFile(fd) != 0 && error == 0) {
        error = errno;
    }
    return error;
}

// Moves `from` to `to`; without `replace` it fails with EEXIST, atomically,
// when `to` exists.
int renameFile(const fs::path& from, const fs::path& to, bool replace) {
    if (replace) {
        std::error_code error;
        fs::rename(from, to, error);
        return error.value();
    }
#if defined(_WIN32)
    return std::rename(from.string().c_str(), to.string().c_str()) == 0 ? 0 : errno;
#else
#if defined(__linux__)
    if (::renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0) {
        return 0;
    }
    if (errno != EINVAL && errno != ENOSYS) {
        return errno;
    }
#endif
    // Where the kernel or file system has no such rename: a hard link, which
    // never replaces, then the temporary name goes.
    if (::link(from.c_str(), to.c_str()) != 0) {
        return errno;
    }
    ::unlink(from.c_str());
    return 0;
#endif
}

// Linux flushes a whole set of files with one call, where a flush of each
// file costs a disk round trip apiece (10,000 files: 50 s instead of 1 s).
#if defined(__linux__)
constexpr bool kSyncsFileSystem = true;
#else
constexpr bool kSyncsFileSystem = false;
#endif

// Flushes every file written in `directory`'s file system to the device; 0 or
// the error that a write to that file system met.
int syncFileSystem(const fs::path& directory) {
#if defined(__linux__)
    const int fd = ::open(directory.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) {
        return errno;
    }
    const int error = ::syncfs(fd) != 0 ? errno : 0;
    ::close(fd);
    return error;
#else
    (void)directory;
    return 0;  // each file was flushed as it was written
#endif
}

void syncDirectory(const fs::path& directory) {
#if !defined(_WIN32)
    const int fd = ::open(directory.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0) {
        ::fsync(fd);  // best effort: some file systems cannot sync a directory
        ::close(fd);
    }
#else
    (void)directory;
#endif
}

}  // namespace

void removeTemporaryFiles() noexcept {
    registry().removeAll();
}

// ---- AtomicFile ----------------------------------------------------------------

AtomicFile::~AtomicFile() {
    discard();
}

// Creates the temporary; the target is untouched until commit().
std::optional<std::string> AtomicFile::open(const fs::path& target, bool replaceExisting) {
    assert(descriptor_ < 0 && "open() on an AtomicFile that is already open");
    if (!replaceExisting && isTaken(target)) {
        return quoted(target) + " already exists; it is left as it is";
    }
    std::string name;
    const auto [fd, record] = registry().create(temporaryStem(target), name);
    if (fd < 0) {
        return "cannot write " + quoted(target) + ": " + reasonOf(errno);
    }
    target_ = target;
    temporary_ = name;
    replaceExisting_ = replaceExisting;
    descriptor_ = fd;
    registration_ = record;
    return std::nullopt;
}

std::optional<std::string> AtomicFile::write(std::string_view content) {
    assert(descriptor_ >= 0 && "write() before open()");
    if (const int error = writeAll(descriptor_, content)) {
        discard();
        return "cannot write " + quoted(target_) + ": " + reasonOf(error);
    }
    return std::nullopt;
}

std::optional<std::string> AtomicFile::commit() {
    assert(descriptor_ >= 0 && "commit() before open()");
    const int error = syncAndClose(std::exchange(descriptor_, -1));
    if (error != 0) {
        discard();
        return "cannot write " + quoted(target_) + ": " + reasonOf(error);
    }
    if (const int renameError = renameFile(temporary_, target_, replaceExisting_)) {
        discard();
        if (renameError == EEXIST) {
            return quoted(target_) + " appeared while it was being written; it is left as it is";
        }
        return "cannot write " + quoted(target_) + ": " + reasonOf(renameError);
    }
    registry().forget(std::exchange(registration_, 0));
    temporary_.clear();
    syncDirectory(directoryOf(target_));
    return std::nullopt;
}

void AtomicFile::discard() noexcept {
    if (descriptor_ >= 0) {
        closeFile(std::exchange(descriptor_, -1));
    }
    if (registration_ != 0) {
        removeFile(temporary_.string().c_str());
        registry().forget(std::exchange(registration_, 0));
    }
}

std::optional<std::string> writeFileAtomically(const fs::path& target, std::string_view content,
                                               bool replaceExisting) {
    AtomicFile file;
    if (std::optional<std::string> problem = file.open(target, replaceExisting)) {
        return problem;
    }
    if (std::optional<std::string> problem = file.write(content)) {
        return problem;
    }
    return file.commit();
}

// ---- AtomicFileSet -------------------------------------------------------------

AtomicFileSet::AtomicFileSet(fs::path directory, bool replaceExisting)
    : directory_(std::move(directory)), replaceExisting_(replaceExisting) {}

AtomicFileSet::~AtomicFileSet() {
    removeTemporaries();
    // A set that never committed leaves no trace, the directories that
    // prepare() made included; remove() takes only an empty one, so a file
    // someone else put there keeps its directory.
    for (const fs::path& made : created_) {
        std::error_code ignored;
        fs::remove(made, ignored);
    }
}

void AtomicFileSet::removeTemporaries() noexcept {
    for (Entry& entry : entries_) {
        removeFile(entry.temporary.string().c_str());
        registry().forget(std::exchange(entry.registration, 0));
    }
    entries_.clear();
}

std::optional<std::string> AtomicFileSet::prepare() {
    std::error_code error;
    const fs::file_status status = fs::status(directory_, error);
    if (fs::exists(status) && !fs::is_directory(status)) {
        return quoted(directory_) + " is not a directory";
    }
    // What is certainly missing now, the deepest first, is what
    // create_directories() is about to make.
    for (fs::path missing = directory_.lexically_normal();
         missing.has_relative_path() && !fs::exists(missing, error) && !error;
         missing = missing.parent_path()) {
        created_.push_back(missing);
    }
    fs::create_directories(directory_, error);
    if (error) {
        return "cannot create the directory " + quoted(directory_) + ": " + error.message();
    }
    return std::nullopt;
}

std::optional<std::string> AtomicFileSet::checkFree(const std::vector<std::string>& names) const {
    if (!replaceExisting_) {
        for (const std::string& name : names) {
            if (isTaken(directory_ / name)) {
                return quoted(directory_ / name) + " already exists";
            }
        }
    }
    return std::nullopt;
}

// Writes one file of the set to its temporary, closed and flushed.
std::optional<std::string> AtomicFileSet::add(const std::string& name, std::string_view content) {
    fs::path target = directory_ / name;
    if (!replaceExisting_ && isTaken(target)) {
        return quoted(target) + " already exists";
    }
    std::string temporary;
    const auto [fd, record] = registry().create(temporaryStem(target), temporary);
    if (fd < 0) {
        return "cannot write " + quoted(target) + ": " + reasonOf(errno);
    }
    entries_.push_back({temporary, std::move(target), record});
    int error = writeAll(fd, content);
    const int closeError = syncAndClose(fd, !kSyncsFileSystem);
    if (error == 0) {
        error = closeError;
    }
    if (error != 0) {
        return "cannot write " + quoted(entries_.back().target) + ": " + reasonOf(error);
    }
    return std::nullopt;
}

// Renames every temporary into place. A file being replaced is first linked
// to a name of its own, and the link goes only once the whole set is in
// place; if any rename fails, the files put in place are taken out again and
// the kept ones restored, so that the directory is as it was.
std::optional<std::string> AtomicFileSet::commit() {
    if (const int error = syncFileSystem(directory_)) {
        removeTemporaries();
        return "cannot write the files in " + quoted(directory_) + ": " + reasonOf(error);
    }
    const SignalsHeld held;
    std::vector<fs::path> kept(entries_.size());  // the old file, kept aside
    std::optional<std::string> problem;
    std::size_t placed = 0;
    for (; placed < entries_.size(); ++placed) {
        const Entry& entry = entries_[placed];
        if (replaceExisting_ && isTaken(entry.target)) {
            std::string aside;
            const auto [fd, record] = registry().create(temporaryStem(entry.target), aside);
            std::error_code error;
            if (fd < 0) {
                error.assign(errno, std::generic_category());
            } else {
                closeFile(fd);
                removeFile(aside.c_str());
                registry().forget(record);
                fs::create_hard_link(entry.target, aside, error);
            }
            if (error) {
                problem = "cannot keep " + quoted(entry.target) +
                          " while it is replaced: " + error.message();
                break;
            }
            kept[placed] = aside;
        }
        if (const int error = renameFile(entry.temporary, entry.target, replaceExisting_)) {
            problem = error == EEXIST
                          ? quoted(entry.target) + " appeared while it was written"
                          : "cannot write " + quoted(entry.target) + ": " + reasonOf(error);
            if (!kept[placed].empty()) {
                removeFile(kept[placed].string().c_str());
            }
            break;
        }
    }
    if (problem) {
        for (std::size_t i = placed; i-- > 0;) {
            if (kept[i].empty()) {
                removeFile(entries_[i].target.string().c_str());
            } else {
                renameFile(kept[i], entries_[i].target, true);
            }
        }
        removeTemporaries();
        return problem;
    }
    for (Entry& entry : entries_) {
        registry().forget(std::exchange(entry.registration, 0));
    }
    entries_.clear();
    created_.clear();
    for (const fs::path& aside : kept) {
        if (!aside.empty()) {
            removeFile(aside.string().c_str());
        }
    }
    syncDirectory(directory_);
    return std::nullopt;
}

}  // namespace satphase
