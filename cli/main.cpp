#include <csignal>
#include <cstdio>
#include <exception>
#include <iostream>
#include <string_view>
#include <variant>

#include "classic/experiment/report.h"
#include "cli/analyze_command.h"
#include "cli/command_line.h"
#include "cli/generate_command.h"
#include "cli/merge_command.h"
#include "cli/plot_command.h"
#include "cli/solve_command.h"
#include "cli/sweep_command.h"
#include "platform/error_report.h"
#include "platform/standard_descriptors.h"
#include "platform/tone.h"

namespace satphase {
namespace {

// The classic report: one thread, nothing allocated by the program's own code.
int runClassic() {
    HostTone tone;
    runExperiment(tone, std::cout);
    std::cout.flush();
    if (std::cout) {
        return 0;
    }
    char message[200];  // on the stack, as the report allocates nothing
    std::snprintf(message, sizeof message, "cannot write the report to standard output: %s",
                  systemReason("write failed"));
    return ErrorReport("").fail(1, message);
}

// The command the command line chose, run with its options. A file-size
// limit (ulimit -f) is a write that fails, said as such by the command that
// wrote, not the end of the program by SIGXFSZ.
int runCommand(int argc, char** argv) {
#if defined(SIGXFSZ)
    std::signal(SIGXFSZ, SIG_IGN);
#endif
    const CommandRequest request = readCommandLine(argc, argv);
    if (const auto* options = std::get_if<SweepOptions>(&request)) {
        return runSweepCommand(*options);
    }
    if (const auto* options = std::get_if<MergeOptions>(&request)) {
        return runMerge(*options);
    }
    if (const auto* options = std::get_if<GenerateOptions>(&request)) {
        return runGenerate(*options);
    }
    if (const auto* options = std::get_if<SolveOptions>(&request)) {
        return runSolve(*options);
    }
    return std::get<Answered>(request).status;
}

}  // namespace
}  // namespace satphase

// Without arguments the classic report, before anything else is built; plot
// and analyze hand their arguments on untouched; the rest is read by CLI11.
// Whatever runs, no file it opens becomes a closed standard descriptor.
int main(int argc, char** argv) {
    using namespace satphase;
    openClosedStandardDescriptors();
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
        return runCommand(argc, argv);
    } catch (const std::exception& error) {
        ErrorReport("").say(error.what());
        return 1;
    }
}
