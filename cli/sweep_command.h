#pragma once

#include <optional>
#include <string>

#include "cli/options.h"
#include "sweep/sweep.h"

namespace satphase {

// `satphase sweep`: the experiment over sizes, ratios, trials and seed of the
// user's choosing, written as a table, CSV or JSON Lines, on all cores.
// Returns the exit status: 0 done, 1 failed, 2 refused, 3 for --check of an
// unfinished output, 130 interrupted.
int runSweepCommand(const SweepOptions& options);

// The options as a request; why they cannot be run, or nothing.
std::optional<std::string> readSweepRequest(const SweepOptions& options, SweepRequest& request);

// How the command says a sweep's failure: its exit status and its line.
struct SweepFailureMessage {
    int status = 1;
    std::string message;
};

// The failure of `report` (which must have one) in the command's words, for
// the sweep that `options` asked for and readSweepRequest turned into `request`.
SweepFailureMessage sweepFailureMessage(const SweepOptions& options, const SweepRequest& request,
                                        const SweepReport& report);

}  // namespace satphase
