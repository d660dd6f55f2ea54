#include "cli/plot_command.h"

#include "platform/python_program.h"

namespace satphase {

Command addPlotCommand(CLI::App& parent) {
    CLI::App* app = parent.add_subcommand(
        "plot", "Draws a sweep's figures as PNG and SVG (satphase plot --help for more)");
    app->prefix_command();  // everything after `plot` belongs to the plotting program
    return Command{app, [] { return 2; }};
}

int runPlot(int argc, char** argv) {
    return runPythonProgram({"plot", "plot/satphase_plot.py", "SATPHASE_PLOT_SCRIPT",
                             "SATPHASE_PLOT_PROG", "python3-matplotlib"},
                            argc, argv);
}

}  // namespace satphase
