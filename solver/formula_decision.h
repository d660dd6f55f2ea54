#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "formula/formula.h"
#include "solver/solver_kind.h"

namespace satphase {

// The verdict on one formula, as `satphase solve` reports it: the engine's
// answer for any formula, the ones with nothing to search included.
struct Verdict {
    bool satisfiable = false;
    std::uint64_t steps = 0;         // the cost, in the unit of the solver that decided
    std::uint64_t propagations = 0;  // dpll's alone; 0 for the others
    std::uint64_t lookaheads = 0;    // lookahead's alone; 0 for the others
    std::vector<std::int8_t> model;  // per variable, 1 true or 0 false, when satisfiable
};

// Decides any formula the DIMACS reader gives, the ones with nothing to search
// included: an empty clause makes it unsatisfiable and no variables (hence no
// clauses) satisfiable, both in 0 steps; everything else goes to TrailSearch.
Verdict decideFormula(const Formula& formula);

// The verdict of the solver `kind` (one this build has) on the same formulas,
// its cost in the solver's own unit. A formula with nothing to search is
// decided as decideFormula decides it, at no cost, whichever solver is named.
Verdict decideFormulaWith(SolverKind kind, const Formula& formula);

// The index of the first clause that `values` (per variable, 1 true, 0 false)
// leaves false, or nothing when they satisfy the formula. Every model is
// checked with it before it is printed.
std::optional<std::size_t> firstFalseClause(const Formula& formula,
                                            std::span<const std::int8_t> values);

}  // namespace satphase
