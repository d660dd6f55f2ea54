#pragma once

#include "cli/options.h"

namespace satphase {

// `satphase solve`: decides one DIMACS CNF file with this program's search,
// or the solver named; output and exit status as SAT solvers give them.
int runSolve(const SolveOptions& options);

}  // namespace satphase
