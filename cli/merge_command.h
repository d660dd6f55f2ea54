#pragma once

#include "cli/options.h"

namespace satphase {

// `satphase merge`: joins the JSON Lines of a sweep's shards into the sweep's
// output. Returns the exit status.
int runMerge(const MergeOptions& options);

}  // namespace satphase
