#pragma once

#include <cstdint>
#include <iostream>

#include "classic/formula/clause.h"

inline constexpr std::int32_t kMaxClauses = 319;

// A conjunction of up to kMaxClauses clauses over variables 0 .. numVars - 1.
// A fixed-size value: it is copied whole wherever it goes. Slots beyond
// lastClause hold empty clauses.
struct Formula {
    Clause clauses[kMaxClauses];
    std::int32_t lastClause = -1;  // index of the last clause; -1 = none left (satisfied)
    std::int32_t numVars = 0;      // set by whoever fills the formula

    Formula() = default;
    // min(count, kMaxClauses) empty clauses for a builder to fill.
    explicit Formula(std::int32_t count);

    // Removes the clause at index; later clauses move down one place.
    // Refuses (0) an index outside 0 .. lastClause.
    int removeClause(std::int32_t index);

    // Sorts the clauses by their ascending variable sequences, compared
    // lexicographically; signs are never compared, a missing position
    // (variable -1) orders first, and clauses with equal sequences keep their order.
    void sortClauses();

    // Header with clause and variable counts and their ratio, then one line per clause.
    void print(std::ostream& out = std::cout) const;
};
