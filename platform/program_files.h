#pragma once

#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace satphase {

// Where satphase finds the programs it ships beside itself (its Python
// programs). Installed, they lie in the data folder, found from the folder
// of the running executable (../share/satphase from bin/ with the usual
// layout), so that an install moved elsewhere still finds them; in the build
// tree, at their source path beside the executable (the build links the
// source folders there). Nothing of the source tree's place is compiled in.

struct ProgramFileLookup {
    std::filesystem::path found;               // empty when no place holds the file
    std::vector<std::filesystem::path> tried;  // every place looked at, in order

    // The places tried, for a message: "A, B".
    std::string triedList() const;
};

// Looks for the file whose path in the source tree is sourcePath (such as
// "python/satphase_plot.py"); installed, it has its file name alone. When the
// environment variable overrideVariable is set and not empty, its value, made
// absolute, is the one place tried. What is found is always an absolute
// path. argv0 is the program's argv[0], used to find the executable only
// where /proc/self/exe does not say.
ProgramFileLookup findProgramFile(std::string_view sourcePath, const char* overrideVariable,
                                  const char* argv0);

}  // namespace satphase
