#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

#include "cli/options.h"
#include "formula/formula.h"
#include "solver/formula_decision.h"
#include "solver/solver_kind.h"

namespace satphase {

// `satphase solve`: decides one DIMACS CNF file with this program's search,
// or the solver named; output and exit status as SAT solvers give them.
int runSolve(const SolveOptions& options);

// What the options ask of a formula: the solver (named, or the splitting
// search), a local search's seed, and the largest formula it takes.
struct SolveRequest {
    SolverKind solver = SolverKind::Splitting;
    // Whether --solver was given: the output then names the solver, and
    // without it reads as it always did.
    bool namesSolver = false;
    std::uint64_t seed = 1;
    FormulaLimits limits = kDecidedLimits;
};

// The options as a request; why they cannot be run, or nothing.
std::optional<std::string> readSolveRequest(const SolveOptions& options, SolveRequest& request);

// A formula decided: the verdict, the seconds it took, and for a model that
// leaves a clause false (a bug, never printed as a verdict) that clause.
struct SolvedFormula {
    Verdict verdict;
    double seconds = 0;
    std::optional<std::size_t> falseClause;
};

// Decides `formula` (within request.limits) as the options ask.
SolvedFormula solveFormula(const SolveOptions& options, const SolveRequest& request,
                           const Formula& formula);

}  // namespace satphase
