#include "platform/program_files.h"

#include <cassert>
#include <cstdlib>
#include <system_error>

// The data folder relative to the executable's folder once installed, from
// GNUInstallDirs (set by CMakeLists.txt).
#if !defined(SATPHASE_DATA_FROM_BINDIR)
#define SATPHASE_DATA_FROM_BINDIR "../share/satphase"
#endif

namespace satphase {

namespace {

namespace fs = std::filesystem;

// The running executable, with symbolic links resolved, so that a link to
// an installed satphase (say in ~/bin) still finds the install's data.
// Linux says so in /proc; elsewhere argv[0] is resolved as the shell did,
// through PATH when it holds no directory. Empty when neither tells.
fs::path executablePath(const char* argv0) {
    std::error_code error;
    fs::path self = fs::read_symlink("/proc/self/exe", error);
    if (!error) {
        return self;
    }
    if (argv0 == nullptr || *argv0 == '\0') {
        return {};
    }
    const fs::path invoked(argv0);
    if (invoked.has_parent_path()) {
        self = fs::weakly_canonical(fs::absolute(invoked, error), error);
        return error ? fs::path() : self;
    }
    const char* path = std::getenv("PATH");
    std::string_view rest = path != nullptr ? path : "";
    while (!rest.empty()) {
        const std::size_t colon = rest.find(':');
        const std::string_view entry = rest.substr(0, colon);
        rest = colon == std::string_view::npos ? std::string_view() : rest.substr(colon + 1);
        const fs::path candidate = fs::path(entry.empty() ? "." : entry) / invoked;
        if (fs::is_regular_file(candidate, error)) {
            self = fs::weakly_canonical(fs::absolute(candidate, error), error);
            return error ? fs::path() : self;
        }
    }
    return {};
}

}  // namespace

std::string ProgramFileLookup::triedList() const {
    if (tried.empty()) {
        return "nowhere, since the executable's own place is unknown";
    }
    std::string list;
    for (const fs::path& place : tried) {
        list += (list.empty() ? "" : ", ") + place.string();
    }
    return list;
}

// The override comes first and alone: a user who names a file means that
// file, and is told when it is not there rather than given another. It is
// made absolute here, once, so that what Python is handed is a path and
// never an option (an override "-c" is the file ./-c), and so that the
// program itself does not depend on the directory it was started from.
ProgramFileLookup findProgramFile(std::string_view sourcePath, const char* overrideVariable,
                                  const char* argv0) {
    assert(!sourcePath.empty() && overrideVariable != nullptr);
    ProgramFileLookup lookup;
    const char* chosen = std::getenv(overrideVariable);
    if (chosen != nullptr && *chosen != '\0') {
        std::error_code error;
        const fs::path place = fs::absolute(chosen, error);
        lookup.tried.push_back(error ? fs::path(chosen) : place.lexically_normal());
    } else if (const fs::path self = executablePath(argv0); !self.empty()) {
        const fs::path folder = self.parent_path();
        const fs::path source(sourcePath);
        lookup.tried.push_back(
            (folder / SATPHASE_DATA_FROM_BINDIR / source.filename()).lexically_normal());
        lookup.tried.push_back((folder / source).lexically_normal());
    }
    for (const fs::path& place : lookup.tried) {
        std::error_code error;
        if (place.is_absolute() && fs::is_regular_file(place, error)) {
            lookup.found = place;
            break;
        }
    }
    return lookup;
}

}  // namespace satphase
