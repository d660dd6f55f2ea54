#pragma once

#include <CLI/CLI.hpp>

#include "cli/command.h"

namespace satphase {

// `satphase generate`: the random formulas of one sweep cell as DIMACS CNF,
// on standard output or one file each in a directory.
Command addGenerateCommand(CLI::App& parent);

}  // namespace satphase
