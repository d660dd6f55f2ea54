#pragma once

#include <atomic>
#include <cstdint>
#include <span>

#include "formula/cnf_formula.h"

// The recursive splitting search of solve, for formulas of any size: the
// same branching variable, the same value order and the same unit-clause
// promotions, hence the same verdicts and step counts, but with an undo trail
// in place of formula copies, so that a step costs in proportion to the
// clauses its variable occurs in.
//
// One engine per thread: it owns all the storage a search needs, sized once
// at construction, and allocates nothing while it searches.
class TrailSearch {
  public:
    TrailSearch(std::int32_t maxVars, std::int32_t maxClauses);

    struct Outcome {
        bool satisfiable = false;
        std::uint64_t steps = 0;   // assignment steps, 64-bit: no wrap
        bool interrupted = false;  // `stop` was raised; the verdict means nothing then
    };

    // Decides `formula`, which must fit the sizes given at construction, hold
    // only clauses of one to three literals over distinct variables below
    // numVars, and have numVars >= 1. A raised `stop` ends the search within
    // a few thousand steps.
    Outcome decide(const CnfFormula& formula, const std::atomic<bool>* stop = nullptr);

    // After a satisfiable verdict: a value for every variable (1 true, 0
    // false) that satisfies the formula; variables the search left unassigned
    // are false.
    std::span<const std::int8_t> model() const;

  private:
    ...
};
