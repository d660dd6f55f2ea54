#pragma once

#include <array>
#include <cstdint>

#include "classic/formula/clause.h"
#include "classic/formula/formula.h"
#include "random/clause_set.h"

// A hash set of full clauses, so that the generator can ask whether a
// candidate equals a clause it already holds without comparing it with every
// clause. Holds up to kMaxClauses clauses over variables below 2^20 - 1, in
// the engine's ClauseSet, over a fixed array.
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

    // The full clause as packClause packs it.
    static satphase::PackedClause keyOf(const Clause& clause);

    satphase::ClauseSet<std::array<satphase::PackedClause, kSlots>> keys_{kSlots};
};
