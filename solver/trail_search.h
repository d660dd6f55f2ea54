#pragma once

#include <atomic>
#include <cstdint>
#include <span>
#include <vector>

#include "formula/formula.h"
#include "solver/branch_order.h"
#include "solver/occurrence_index.h"

namespace satphase {

// The recursive splitting search of solve, for formulas of any size: the
// same branching variable, the same value order and the same unit-clause
// promotions, hence the same verdicts and step counts. Instead of copying the
// formula, an assignment looks only at the clauses its variable occurs in and
// reads their state off the values assigned so far, so that a step costs in
// proportion to those clauses, not to the formula's length, and going back
// takes back nothing but the value and the order list's changes.
//
// One engine per thread: it owns all the storage a search needs, sized once
// at construction, and allocates nothing while it searches.
class TrailSearch {
  public:
    // Sized for formulas of up to maxVars variables, maxClauses clauses and
    // maxWidth literals in a clause (1 .. kMaxClauseWidth).
    TrailSearch(std::int32_t maxVars, std::int32_t maxClauses,
                std::int32_t maxWidth = kMaxClauseWidth);

    struct Outcome {
        bool satisfiable = false;
        std::uint64_t steps = 0;   // assignment steps, 64-bit: no wrap
        bool interrupted = false;  // `stop` was raised; the verdict means nothing then
    };

    // Decides `formula`, which must fit the sizes given at construction, hold
    // only clauses of at most maxWidth literals over distinct variables below
    // numVars, and have numVars >= 1. Clauses of any lengths may be mixed. A
    // raised `stop` ends the search within a few thousand steps.
    Outcome decide(const Formula& formula, const std::atomic<bool>* stop = nullptr);

    // After a satisfiable verdict: a value for every variable (1 true, 0
    // false) that satisfies the formula; variables the search left unassigned
    // are false.
    std::span<const std::int8_t> model() const;

  private:
    // Every clause is stored as `width_` literals, the formula's longest
    // clause but at least three: a shorter one is filled up with the literal
    // of a variable past the last, which is false from the start. The width is
    // a template parameter of the search, so that the test of a clause is
    // unrolled and a formula of three-literal clauses is searched as fast as
    // when three was the only width (bench/README.md has the figures).
    static constexpr std::int32_t kMinWidth = 3;
    // Per literal: assigned true, or false (made false by its negation's
    // assignment); neither while its variable is unassigned.
    static constexpr std::uint8_t kTrue = 1;
    static constexpr std::uint8_t kFalse = 2;

    template <std::int32_t Width>
    bool branch();
    template <std::int32_t Width>
    bool assign(Literal literal);

    std::int32_t numVars_ = 0;
    std::int32_t maxVars_ = 0;
    std::int32_t maxClauses_ = 0;
    std::int32_t maxWidth_ = kMinWidth;
    std::int32_t width_ = kMinWidth;
    // Clause c's literals: literals_[c * width_] onwards.
    std::vector<Literal> literals_;
    // Per literal of the variables 0 .. numVars (numVars the filler's), its state.
    LiteralMap<std::uint8_t> literalStates_;
    std::int32_t unsatisfiedCount_ = 0;
    OccurrenceIndex occurrences_;
    BranchOrder order_;
    std::vector<std::int8_t> model_;

    std::uint64_t steps_ = 0;
    const std::atomic<bool>* stop_ = nullptr;
    bool interrupted_ = false;
};

}  // namespace satphase
