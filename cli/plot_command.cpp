#include "cli/plot_command.h"

#include "platform/python_program.h"

namespace satphase {

int runPlot(int argc, char** argv) {
    return runPythonProgram({"plot", "python/satphase_plot.py", "SATPHASE_PLOT_SCRIPT",
                             "SATPHASE_PLOT_PROG", "python3-matplotlib"},
                            argc, argv);
}

}  // namespace satphase
