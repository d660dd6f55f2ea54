#include "cli/analyze_command.h"

#include "platform/python_program.h"

namespace satphase {

int runAnalyze(int argc, char** argv) {
    return runPythonProgram({"analyze", "python/satphase_analyze.py", "SATPHASE_ANALYZE_SCRIPT",
                             "SATPHASE_ANALYZE_PROG", "python3-matplotlib python3-scipy"},
                            argc, argv);
}

}  // namespace satphase
