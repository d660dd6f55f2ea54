#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>

#include "cli/options.h"
#include "solver/solver_kind.h"

namespace satphase {

// Turns the local-search options into the settings of the solvers
// `solvers`, for formulas of clauses of k literals (probSAT's published
// constants depend on it). An option for a search that is not listed is
// refused, as one that would silently do nothing: the reason, naming the
// option, or nothing.
std::optional<std::string> readLocalSearchOptions(const LocalSearchOptions& options,
                                                  std::span<const SolverKind> solvers,
                                                  std::int32_t k, LocalSearchSettings& out);

}  // namespace satphase
