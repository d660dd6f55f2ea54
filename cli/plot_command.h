#pragma once

#include <CLI/CLI.hpp>

#include "cli/command.h"

namespace satphase {

// `satphase plot`: the figures of a sweep, drawn by the plotting program in
// plot/ (Python with matplotlib). Its arguments go to that program as they
// are, so that `satphase plot --help` is its help.
Command addPlotCommand(CLI::App& parent);

// Runs the plotting program with argv[2..]; returns only when it could not be started.
int runPlot(int argc, char** argv);

}  // namespace satphase
