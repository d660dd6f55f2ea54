#pragma once

#include <cstdint>
#include <vector>

#include "formula/formula.h"
#include "solver/solver_kind.h"

namespace satphase {

// The verdict on one formula, as `satphase solve` reports it: the engine's
// answer for any formula, the ones with nothing to search included.
struct Verdict {
    bool satisfiable = false;
    bool decided = true;             // false: a local search found no model, and it is unknown
    std::uint64_t steps = 0;         // the cost, in the unit of the solver that decided
    std::uint64_t propagations = 0;  // dpll's alone; 0 for the others
    std::uint64_t lookaheads = 0;    // lookahead's alone; 0 for the others
    std::vector<std::int8_t> model;  // per variable, 1 true or 0 false, when satisfiable
};

// Decides any formula the DIMACS reader gives with `kind` (one this build
// has), its cost in that solver's unit. A formula with nothing to search is
// decided at no cost, whichever solver is named: an empty clause makes it
// unsatisfiable, and no variables (hence no clauses) satisfiable. A local
// search runs as `localSearch` says, from the stream `seed` starts.
Verdict decideFormula(const Formula& formula, SolverKind kind = SolverKind::Splitting,
                      const LocalSearchSettings& localSearch = {}, std::uint64_t seed = 0);

}  // namespace satphase
