#pragma once

#include <cstdint>

#include "classic/formula/clause.h"
#include "classic/formula/formula.h"

// A hash set of full clauses, so that the generator can ask whether a
// candidate equals a clause it already holds without comparing it with every
// clause. Holds up to kMaxClauses clauses over variables below 2^20 - 1.
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

    // The three literals of a full clause in 21 bits each, as variable * 2 +
    // negated + 1: equal keys for equal clauses, and never 0.
    static std::uint64_t keyOf(const Clause& clause);
    static std::int32_t slotFor(std::uint64_t key);

    std::uint64_t slots_[kSlots] = {};  // a key, or 0 for a free slot
};
