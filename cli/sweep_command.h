#pragma once

#include <CLI/CLI.hpp>

#include "cli/command.h"

namespace satphase {

// `satphase sweep`: the experiment over sizes, ratios, trials and seed of the
// user's choosing, written as a table, CSV or JSON Lines, on all cores.
Command addSweepCommand(CLI::App& parent);

}  // namespace satphase
