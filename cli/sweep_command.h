#pragma once

#include "cli/options.h"

namespace satphase {

// `satphase sweep`: the experiment over sizes, ratios, trials and seed of the
// user's choosing, written as a table, CSV or JSON Lines, on all cores.
// Returns the exit status: 0 done, 1 failed, 2 refused, 3 for --check of an
// unfinished output, 130 interrupted.
int runSweepCommand(const SweepOptions& options);

}  // namespace satphase
