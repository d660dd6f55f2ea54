#include "cli/analyze_command.h"

#include "platform/python_program.h"

namespace satphase {

Command addAnalyzeCommand(CLI::App& parent) {
    CLI::App* app = parent.add_subcommand("analyze",
                                          "Estimates the threshold and its scaling from a sweep "
                                          "(satphase analyze --help for more)");
    app->prefix_command();  // everything after `analyze` belongs to the analysis program
    return Command{app, [] { return 2; }};
}

int runAnalyze(int argc, char** argv) {
    return runPythonProgram({"analyze", "analysis/satphase_analyze.py", "SATPHASE_ANALYZE_SCRIPT",
                             "SATPHASE_ANALYZE_PROG", "python3-matplotlib python3-scipy"},
                            argc, argv);
}

}  // namespace satphase
