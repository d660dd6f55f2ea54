#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string>

#include "solver/solver_kind.h"
#include "sweep/cell_summary.h"
#include "sweep/sweep_plan.h"

namespace satphase {

// What makes a decided cell's verdicts impossible, at the first trial that
// shows it: solvers that disagree on a formula, a model that falsifies it,
// measures whose verdict is not the solvers', or a formula of a planted
// model, which its hidden assignment satisfies, called unsatisfiable.
struct VerdictFault {
    enum class Kind { Disagreed, PlantedUnsatisfiable };
    Kind kind = Kind::Disagreed;
    std::int32_t trial = -1;
    std::string what;  // for Disagreed, what is wrong with the verdicts
};

// Checks one cell decided by the sweep of `definition`: per trial, its
// result, every listed solver's result (the first definition.solvers.size()
// of each array) and whether the measures' own verdicts differed. A fault of
// a search anywhere in the cell comes before a planted formula called
// unsatisfiable, since it is the likelier cause of both.
std::optional<VerdictFault> verdictFault(
    const SweepDefinition& definition, std::span<const FormulaResult> formulas,
    std::span<const std::array<SolverResult, kSolverCount>> verdicts,
    std::span<const std::uint8_t> measuresSplit);

}  // namespace satphase
