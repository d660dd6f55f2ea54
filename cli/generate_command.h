#pragma once

#include <optional>
#include <string>

#include "cli/options.h"
#include "dimacs/cell_formulas.h"

namespace satphase {

// `satphase generate`: the random formulas of one sweep cell as DIMACS CNF,
// on standard output or one file each in a directory. Returns the exit status.
int runGenerate(const GenerateOptions& options);

// The options as the request of one cell's formulas; why they cannot be
// drawn, or nothing.
std::optional<std::string> readGenerateRequest(const GenerateOptions& options,
                                               CellRequest& request);

}  // namespace satphase
