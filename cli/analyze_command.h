#pragma once

#include <CLI/CLI.hpp>

#include "cli/command.h"

namespace satphase {

// `satphase analyze`: the threshold's statistics from a sweep's results,
// computed by the analysis program in analysis/ (Python with numpy and scipy).
// Its arguments go to that program as they are, so that
// `satphase analyze --help` is its help.
Command addAnalyzeCommand(CLI::App& parent);

// Runs the analysis program with argv[2..]; returns only when it could not be started.
int runAnalyze(int argc, char** argv);

}  // namespace satphase
