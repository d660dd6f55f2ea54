#pragma once

#include <cstdint>

#include "formula/clause.h"
#include "formula/formula.h"

// A hash index of the full clauses of one formula, so that the generator can
// ask whether a candidate equals one of them without comparing it with every
// clause. It holds clause indices only; every question names the formula.
class FullClauseIndex {
  public:
    // Indexes the clauses of `formula` that are full.
    explicit FullClauseIndex(const Formula& formula);

    // Records that clause `index` of the formula is now full.
    void add(const Formula& formula, std::int32_t index);

    // Whether some indexed clause of `formula` equals the full `candidate`.
    bool containsEqual(const Formula& formula, const Clause& candidate) const;

  private:
    // A power of two well above the clause capacity keeps probe chains short.
    static constexpr std::int32_t kSlots = 1024;
    static_assert(kSlots > 2 * kMaxClauses);

    static std::int32_t slotFor(const Clause& clause);

    std::int16_t slots_[kSlots] = {};  // clause index, or -1 for a free slot
};
