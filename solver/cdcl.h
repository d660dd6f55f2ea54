#pragma once

#include <atomic>
#include <cstdint>
#include <span>
#include <vector>

#include "formula/cnf_formula.h"

// Conflict-driven clause learning, by CaDiCaL (Debian's libcadical-dev,
// 1.5.3), with its default options. Only builds that found CaDiCaL compile
// this class (SATPHASE_HAVE_CADICAL); solver_kind.h says which.
//
// The cost is the number of clauses CaDiCaL's conflict analysis learns, read
// through its learner callback since 1.5.3 has no statistics getter. In
// 1.5.3 the callback is called from the search's conflict analysis only:
// once per analysed conflict with the learned clause's size (a unit
// included), and with size 0 when a conflict at the top level proves the
// formula unsatisfiable. Clauses derived by preprocessing and inprocessing
// (probing, vivification, elimination) and conflicts met there are not
// seen. Neither are the search conflicts that chronological backtracking
// resolves without analysis (one literal of the highest level in the
// conflicting clause: it is flipped and nothing is learned), so the count is
// at most CaDiCaL's own "conflicts" statistic; bench/README.md gives the
// difference measured on random 3-SAT.
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
    Outcome decide(const CnfFormula& formula, const std::atomic<bool>* stop = nullptr);

    // After a satisfiable verdict: a value for every variable (1 true, 0
    // false) that satisfies the formula.
    std::span<const std::int8_t> model() const;

  private:
    std::vector<std::int8_t> model_;
};
