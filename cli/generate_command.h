#pragma once

#include "cli/options.h"

namespace satphase {

// `satphase generate`: the random formulas of one sweep cell as DIMACS CNF,
// on standard output or one file each in a directory. Returns the exit status.
int runGenerate(const GenerateOptions& options);

}  // namespace satphase
