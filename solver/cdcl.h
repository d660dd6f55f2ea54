#pragma once

#include <atomic>
#include <cstdint>
#include <span>
#include <vector>

#include "formula/formula.h"

namespace CaDiCaL {
class Solver;
}

namespace satphase {

// Conflict-driven clause learning, by CaDiCaL (Debian's libcadical-dev,
// 1.5.3), with the options setCdclOptions gives it. Only builds that found
// CaDiCaL compile this class (SATPHASE_HAVE_CADICAL); solver_kind.h says which.
//
// The cost is the number of conflicts, counted as the clauses CaDiCaL's
// conflict analysis learns, read through its learner callback since 1.5.3
// has no statistics getter. In 1.5.3 the callback is called from the
// search's conflict analysis only: once per analysed conflict with the
// learned clause's size (a unit included), and with size 0 when a conflict
// at the top level proves the formula unsatisfiable. With chronological
// backtracking off (setCdclOptions) every conflict of the search is
// analysed, so the count is exactly CaDiCaL's own "conflicts" statistic
// (bench/README.md shows the two side by side). Clauses derived by
// preprocessing and inprocessing (probing, vivification, elimination) are
// not counted: they are no conflicts.
//
// CaDiCaL has no reset, and reusing one solver for independent formulas
// carries its learned clauses and heuristics from one to the next, making a
// formula's cost depend on those decided before it on the same thread. So
// each formula gets a solver of its own; only the model storage is reused.
// CaDiCaL allocates while it searches: "no allocation inside a search" holds
// for our own engines, not for this one.
class Cdcl {
  public:
    explicit Cdcl(std::int32_t maxVars);

    struct Outcome {
        bool satisfiable = false;
        std::uint64_t conflicts = 0;  // learned clauses, as above
        bool interrupted = false;     // `stop` was raised; the verdict means nothing then
    };

    // Decides `formula` (numVars within the size given at construction). A
    // raised `stop` ends the search at CaDiCaL's next look at its terminator.
    Outcome decide(const Formula& formula, const std::atomic<bool>* stop = nullptr);

    // After a satisfiable verdict: a value for every variable (1 true, 0
    // false) that satisfies the formula.
    std::span<const std::int8_t> model() const;

  private:
    std::vector<std::int8_t> model_;
};

// The options every CaDiCaL of this program runs with: quiet; stable mode
// only (the heart of CaDiCaL's "sat" configuration); no chronological
// backtracking, so that every conflict is analysed and counted. On random
// 3-SAT at the threshold this is 1.65 times as fast as CaDiCaL's defaults
// at 150 variables (bench/README.md).
void setCdclOptions(CaDiCaL::Solver& solver);

// Gives `solver` every clause of `formula`, variables numbered as DIMACS
// numbers them.
void addFormula(CaDiCaL::Solver& solver, const Formula& formula);

}  // namespace satphase
