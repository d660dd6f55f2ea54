#pragma once

#include <CLI/CLI.hpp>

#include "cli/command.h"

namespace satphase {

// `satphase solve`: decides one DIMACS CNF file of at most three literals per
// clause with this program's search; output and exit status as SAT solvers give them.
Command addSolveCommand(CLI::App& parent);

}  // namespace satphase
