#include <CLI/CLI.hpp>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <iostream>
#include <string>
#include <string_view>
#include <vector>

#include "classic/experiment/report.h"
#include "cli/analyze_command.h"
#include "cli/command.h"
#include "cli/generate_command.h"
#include "cli/merge_command.h"
#include "cli/plot_command.h"
#include "cli/solve_command.h"
#include "cli/sweep_command.h"
#include "platform/build_info.h"
#include "platform/tone.h"

namespace satphase {
namespace {

constexpr const char* kDescription =
    "Measures how hard random CNF formulas are to decide as the ratio of clauses\n"
    "to variables grows: with the commands below, for the classic model, uniform\n"
    "random k-SAT (k = 2 to 7) and planted formulas, with a splitting search, DPLL\n"
    "or CDCL, and with the statistics of the threshold.\n"
    "\n"
    "Without arguments it runs the classic experiment: for 10, 20, 30 and 40\n"
    "variables and the ratios 2, 3, 4, 4.5, 5, 6, 7 and 8 it decides 301 random\n"
    "formulas each with a recursive splitting search, and prints per ratio how many\n"
    "were unsatisfiable (Contradictions) and the median number of assignment steps\n"
    "(Median). The random source starts from a fixed state, so every run prints the\n"
    "same tables. A tone sounds after each row and at the end.\n";

// Standard output failed: says so in one write and gives the status to exit with.
int reportOutputFailure(const char* what) {
    const int error = errno;
    char message[200];
    std::snprintf(message, sizeof message, "satphase: cannot write %s to standard output: %s\n",
                  what, error != 0 ? std::strerror(error) : "write failed");
    std::cerr << message;
    return 1;
}

// The classic report: one thread, nothing allocated by the program's own code.
int runClassic() {
    HostTone tone;
    runExperiment(tone, std::cout);
    std::cout.flush();
    return std::cout ? 0 : reportOutputFailure("the report");
}

// What --version prints: the release on the first line, as help2man and
// the like expect, and the commit below it, so that a result can be traced
// to the exact source that made it.
std::string versionText() {
    return "satphase " + std::string(programVersion()) + "\ncommit " +
           std::string(programCommit()) + "\n";
}

int runCommandLine(int argc, char** argv) {
    CLI::App app(kDescription, "satphase");
    app.footer("Run 'satphase COMMAND --help' for the options of a command.");
    app.require_subcommand(0, 1);
    app.set_version_flag("--version", versionText(),
                         "Print the version and the git commit it was built from, and exit");
    std::vector<Command> commands;
    commands.push_back(addSweepCommand(app));
    commands.push_back(addMergeCommand(app));
    commands.push_back(addPlotCommand(app));
    commands.push_back(addAnalyzeCommand(app));
    commands.push_back(addGenerateCommand(app));
    commands.push_back(addSolveCommand(app));

    // The command line is read without its help flags first, so that
    // `satphase --help extra` names `extra` as the argument that is wrong.
    std::vector<std::string> arguments;
    bool help = false;
    for (int i = argc - 1; i >= 1; --i) {
        const std::string argument = argv[i];
        if (argument == "-h" || argument == "--help") {
            help = true;
        } else {
            arguments.push_back(argument);  // CLI11 takes them last first
        }
    }
    try {
        app.parse(arguments);
    } catch (const CLI::CallForVersion& version) {
        std::cout << version.what() << std::flush;
        return std::cout ? 0 : reportOutputFailure("the version");
    } catch (const CLI::ParseError& error) {
        if (help && dynamic_cast<const CLI::RequiredError*>(&error) != nullptr) {
            // Help needs no required option.
        } else {
            // A command's own option is wrong: point at that command's help.
            std::string name = "satphase";
            for (const Command& command : commands) {
                if (command.app->parsed()) {
                    name += " " + command.app->get_name();
                }
            }
            std::cerr << name << ": " << error.what() << "; try '" << name << " --help'\n";
            return 2;
        }
    }
    if (help) {
        std::cout << app.help() << std::flush;  // the chosen command's, if one was named
        return std::cout ? 0 : reportOutputFailure("the help");
    }
    for (const Command& command : commands) {
        if (command.app->parsed()) {
            return command.run();
        }
    }
    std::cerr << "satphase: name a command, or run without arguments for the classic report; "
                 "try 'satphase --help'\n";
    return 2;
}

}  // namespace
}  // namespace satphase

int main(int argc, char** argv) {
    using namespace satphase;
    if (argc == 1) {
        return runClassic();
    }
    if (std::string_view(argv[1]) == "plot") {
        return runPlot(argc, argv);
    }
    if (std::string_view(argv[1]) == "analyze") {
        return runAnalyze(argc, argv);
    }
    try {
        return runCommandLine(argc, argv);
    } catch (const std::exception& error) {
        std::cerr << "satphase: " << error.what() << "\n";
        return 1;
    }
}
