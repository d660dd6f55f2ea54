#pragma once

#include <string_view>

namespace satphase {

// A Python program that satphase ships and runs as one of its commands
// (`plot`, `analyze`): found by findProgramFile, run by Debian's interpreter,
// which has the packages it needs, in place of this process, so that its exit
// status and its output are the command's own.
struct PythonProgram {
    std::string_view command;         // "plot": the command, for messages
    std::string_view sourcePath;      // "python/satphase_plot.py"
    const char* overrideVariable;     // "SATPHASE_PLOT_SCRIPT"
    const char* programNameVariable;  // "SATPHASE_PLOT_PROG": the name it gives itself
    std::string_view debianPackages;  // "python3-matplotlib", for the message when it cannot start
};

// Runs `program` with the arguments after argv[1] (the command's name). The
// program learns which satphase runs it through SATPHASE_MADE_BY, and writes
// that into its figures. Returns only on failure: 1, with one line said on
// standard error.
int runPythonProgram(const PythonProgram& program, int argc, char** argv);

}  // namespace satphase
