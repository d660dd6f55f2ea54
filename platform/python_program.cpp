#include "platform/python_program.h"

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "platform/build_info.h"
#include "platform/error_report.h"
#include "platform/program_files.h"

#if !defined(_WIN32)
#include <unistd.h>
#endif

namespace satphase {

namespace {

// Debian's interpreter, which the python3-* packages serve; another python3
// on the PATH may lack them.
constexpr const char* kDebianPython = "/usr/bin/python3";

}  // namespace

int runPythonProgram(const PythonProgram& program, int argc, char** argv) {
    const ErrorReport report(program.command);
    const ProgramFileLookup lookup =
        findProgramFile(program.sourcePath, program.overrideVariable, argv[0]);
    const std::string name = std::filesystem::path(program.sourcePath).filename().string();
    if (lookup.found.empty()) {
        return report.fail(1, "the program " + name + " is missing (looked at " +
                                  lookup.triedList() + "; set " + program.overrideVariable +
                                  " to its place)");
    }
    std::string path = lookup.found.string();
#if defined(_WIN32)
    static_cast<void>(argc);
    return report.fail(1, "run " + path + " with Python 3 and " +
                              std::string(program.debianPackages) + " directly");
#else
    std::string python = std::filesystem::exists(kDebianPython) ? kDebianPython : "python3";
    // "--" ends the interpreter's options: the program's path, absolute from
    // findProgramFile, and the user's arguments after it are never read as one.
    std::string endOfOptions = "--";
    std::vector<char*> arguments{python.data(), endOfOptions.data(), path.data()};
    for (int i = 2; i < argc; ++i) {
        arguments.push_back(argv[i]);
    }
    arguments.push_back(nullptr);
    const std::string programName = "satphase " + std::string(program.command);
    const std::string madeBy = "satphase " + std::string(programVersion()) + " (commit " +
                               std::string(programCommit()) + ")";
    setenv(program.programNameVariable, programName.c_str(), 1);
    setenv("SATPHASE_MADE_BY", madeBy.c_str(), 1);
    execvp(arguments[0], arguments.data());
    return report.fail(1, "cannot start " + python + ": " + std::strerror(errno) +
                              " (install Python 3 with apt-get install " +
                              std::string(program.debianPackages) + ")");
#endif
}

}  // namespace satphase
