#include "cli/plot_command.h"

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <iostream>
#include <string>
#include <vector>

#include "platform/build_info.h"
#include "platform/program_files.h"

#if !defined(_WIN32)
#include <unistd.h>
#endif

namespace {

// Debian's interpreter, which python3-matplotlib serves; another python3 on
// the PATH may lack matplotlib.
constexpr const char* kDebianPython = "/usr/bin/python3";

}  // namespace

Command addPlotCommand(CLI::App& parent) {
    CLI::App* app = parent.add_subcommand(
        "plot", "Draws a sweep's figures as PNG and SVG (satphase plot --help for more)");
    app->prefix_command();  // everything after `plot` belongs to the plotting program
    return Command{app, [] { return 2; }};
}

// The plotting program is found beside the executable (installed or in the
// build tree) unless SATPHASE_PLOT_SCRIPT names it. It learns which satphase
// runs it through the environment, and writes that into the figures.
int runPlot(int argc, char** argv) {
    const ProgramFileLookup lookup =
        findProgramFile("plot/satphase_plot.py", "SATPHASE_PLOT_SCRIPT", argv[0]);
    if (lookup.found.empty()) {
        std::cerr << "satphase plot: the plotting program satphase_plot.py is missing (looked at "
                  << lookup.triedList() << "; set SATPHASE_PLOT_SCRIPT to its place)\n";
        return 1;
    }
    const std::string path = lookup.found.string();
#if defined(_WIN32)
    static_cast<void>(argc);
    std::cerr << "satphase plot: run " << path << " with Python 3 and matplotlib directly\n";
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
    const std::string madeBy = "satphase " + std::string(programVersion()) + " (commit " +
                               std::string(programCommit()) + ")";
    setenv("SATPHASE_PLOT_PROG", "satphase plot", 1);
    setenv("SATPHASE_MADE_BY", madeBy.c_str(), 1);
    execvp(arguments[0], arguments.data());
    std::cerr << "satphase plot: cannot start " << python << ": " << std::strerror(errno)
              << " (install Python 3 with matplotlib: apt-get install python3-matplotlib)\n";
    return 1;
#endif
}
