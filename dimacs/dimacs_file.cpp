#include "dimacs/dimacs_file.h"

#include <sys/stat.h>

#include <cerrno>
#include <cstdio>

#include "dimacs/dimacs_reader.h"
#include "platform/error_report.h"

namespace satphase {

namespace {

// The whole of `file` in `text`, at most `most` bytes of it, or why not.
std::optional<std::string> readAll(std::FILE* file, std::size_t most, std::string& text) {
    char buffer[1 << 16];
    std::size_t got = 0;
    while ((got = std::fread(buffer, 1, sizeof buffer, file)) > 0) {
        if (text.size() + got > most) {
            return "more than " + std::to_string(most >> 20U) +
                   " MiB of input, more than any formula this search takes needs";
        }
        text.append(buffer, got);
    }
    if (std::ferror(file) != 0) {
        return std::string("cannot read: ") + reasonOf(errno, "read failed");
    }
    return std::nullopt;
}

}  // namespace

std::optional<std::string> readDimacsFile(const std::string& path, Formula& formula,
                                          FormulaLimits limits) {
    const std::size_t most = limits == kDecidedLimits ? kMaxDimacsBytes : kMaxSearchedDimacsBytes;
    const bool standardInput = path == "-";
    const std::string name = standardInput ? "<stdin>" : path;
    std::string text;
    if (standardInput) {
        if (std::optional<std::string> problem = readAll(stdin, most, text)) {
            return name + ": " + *problem;
        }
    } else {
        struct stat status {};
        if (::stat(path.c_str(), &status) == 0 && S_ISDIR(status.st_mode)) {
            return name + ": a directory, not a DIMACS file";
        }
        std::FILE* file = std::fopen(path.c_str(), "rb");
        if (file == nullptr) {
            return name + ": cannot open: " + reasonOf(errno, "read failed");
        }
        std::optional<std::string> problem = readAll(file, most, text);
        std::fclose(file);
        if (problem) {
            return name + ": " + *problem;
        }
    }
    if (std::optional<DimacsProblem> problem = readDimacs(text, formula, limits)) {
        return name + ":" + std::to_string(problem->line) + ": " + problem->what;
    }
    return std::nullopt;
}

}  // namespace satphase
