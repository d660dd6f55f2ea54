#pragma once

#include <cstdint>

#include "formula/clause.h"
#include "formula/formula.h"

// A hash set of full clauses, so that the generator can ask whether a
// candidate equals a clause it already holds without comparing it with every
// clause. Holds up to kMaxClauses clauses.
class FullClauseIndex {
  public:
    // The full clauses of `formula`.
    explicit FullClauseIndex(const Formula& formula);

    void add(const Clause& clause);
    bool contains(const Clause& clause) const;

  private:
    // A power of two well above the clause capacity keeps probe chains short.
    static constexpr std::int32_t kSlots = 1024;
    static_assert(kSlots > 2 * kMaxClauses);

    static std::int32_t slotFor(const Clause& clause);

    Clause slots_[kSlots];  // a free slot holds the empty clause
};
