#pragma once

#include <CLI/CLI.hpp>

#include "cli/command.h"

namespace satphase {

// `satphase merge`: joins the JSON Lines of a sweep's shards into the sweep's output.
Command addMergeCommand(CLI::App& parent);

}  // namespace satphase
