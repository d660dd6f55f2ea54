#include "cli/analyze_command.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <iostream>
#include <string>
#include <vector>

#if !defined(_WIN32)
#include <unistd.h>
#endif

namespace {

// Debian's interpreter, which python3-numpy and python3-scipy serve; another
// python3 on the PATH may lack them.
constexpr const char* kDebianPython = "/usr/bin/python3";

}  // namespace

Command addAnalyzeCommand(CLI::App& parent) {
    CLI::App* app = parent.add_subcommand("analyze",
                                          "Estimates the threshold and its scaling from a sweep "
                                          "(satphase analyze --help for more)");
    app->prefix_command();  // everything after `analyze` belongs to the analysis program
    return Command{app, [] { return 2; }};
}

// The analysis program replaces this process, so that its exit status and
// its output are the command's own; SATPHASE_ANALYZE_SCRIPT points at another copy.
int runAnalyze(int argc, char** argv) {
    const char* script = std::getenv("SATPHASE_ANALYZE_SCRIPT");
    const std::string path = script != nullptr ? script : SATPHASE_ANALYZE_SCRIPT;
    if (!std::filesystem::exists(path)) {
        std::cerr << "satphase analyze: the analysis program " << path
                  << " is missing (set SATPHASE_ANALYZE_SCRIPT to its place)\n";
        return 1;
    }
#if defined(_WIN32)
    static_cast<void>(argc);
    static_cast<void>(argv);
    std::cerr << "satphase analyze: run " << path << " with Python 3, numpy and scipy directly\n";
    return 1;
#else
    const bool debian = std::filesystem::exists(kDebianPython);
    std::vector<char*> arguments;
    std::string python = debian ? kDebianPython : "python3";
    arguments.push_back(python.data());
    std::string program = path;
    arguments.push_back(program.data());
    for (int i = 2; i < argc; ++i) {
        arguments.push_back(argv[i]);
    }
    arguments.push_back(nullptr);
    setenv("SATPHASE_ANALYZE_PROG", "satphase analyze", 1);
    execvp(arguments[0], arguments.data());
    std::cerr << "satphase analyze: cannot start " << python << ": " << std::strerror(errno)
              << " (install Python 3 with numpy and scipy: apt-get install python3-scipy)\n";
    return 1;
#endif
}
