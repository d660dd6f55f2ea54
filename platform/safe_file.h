#pragma once

#include <cstddef>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace satphase {

// Files written so that a reader sees the old file or the whole new one, never
// a part: the text goes to a temporary file created exclusively beside the
// target (never through a link someone left there), is flushed and closed with
// every error checked, and only then renamed over the target. On any failure,
// and on Ctrl-C through removeTemporaryFiles(), the temporary goes away.
//
// Every function returns std::nullopt on success, or one line saying what went
// wrong, naming the file and the system's reason.

// Writes `content` to `target`. Without `replaceExisting` a file already at
// `target` is left alone and the write refused, also when one appears while
// the temporary is being written.
std::optional<std::string> writeFileAtomically(const std::filesystem::path& target,
                                               std::string_view content, bool replaceExisting);

// One file written in pieces, for output too large to hold at once: open(),
// any number of write(), then commit(). Destroyed before commit() succeeded,
// it removes its temporary and leaves the target as it was.
class AtomicFile {
  public:
    AtomicFile() = default;
    AtomicFile(const AtomicFile&) = delete;
    AtomicFile& operator=(const AtomicFile&) = delete;
    ~AtomicFile();

    std::optional<std::string> open(const std::filesystem::path& target, bool replaceExisting);
    std::optional<std::string> write(std::string_view content);
    std::optional<std::string> commit();
    // Removes the temporary; the target stays as it was.
    void discard() noexcept;

  private:
    std::filesystem::path target_;
    std::filesystem::path temporary_;
    bool replaceExisting_ = false;
    int descriptor_ = -1;
    std::size_t registration_ = 0;
};

// A set of files in one directory written all or none: each add() writes a
// temporary, and commit() renames them all into place. Without
// `replaceExisting`, add() refuses a name already taken. With it, the files
// being replaced are kept aside until every new file is in place, and a
// failure part-way puts them back. Destroyed before commit() succeeded, it
// removes every temporary.
class AtomicFileSet {
  public:
    AtomicFileSet(std::filesystem::path directory, bool replaceExisting);
    AtomicFileSet(const AtomicFileSet&) = delete;
    AtomicFileSet& operator=(const AtomicFileSet&) = delete;
    ~AtomicFileSet();

    // Creates the directory if it is missing; a set that is not committed
    // removes again what this created, where nothing else was put there.
    std::optional<std::string> prepare();
    // Refuses, naming it, the first of `names` that exists, unless replacing.
    std::optional<std::string> checkFree(const std::vector<std::string>& names) const;
    std::optional<std::string> add(const std::string& name, std::string_view content);
    std::optional<std::string> commit();

  private:
    struct Entry {
        std::filesystem::path temporary;
        std::filesystem::path target;
        std::size_t registration;
    };
    void removeTemporaries() noexcept;

    std::filesystem::path directory_;
    bool replaceExisting_;
    std::vector<Entry> entries_;
    std::vector<std::filesystem::path> created_;  // by prepare(), the deepest first
};

// Removes every temporary file this process has open for writing. Safe to
// call from a SIGINT or SIGTERM handler (it only calls unlink), and from
// std::atexit; the writers above fail cleanly afterwards.
void removeTemporaryFiles() noexcept;

}  // namespace satphase
