#pragma once

#include <cassert>
#include <cstdint>

#include "formula/formula.h"

namespace satphase {

// The classic model's rules, stated once for its two generators: the classic
// program's generateFormula and the engine's ClassicGenerator, which must refuse
// the same requests and draw the same formulas from the same random states.
//
// A classic formula has numClauses distinct full clauses of kClassicClauseWidth
// literals over distinct variables, and each of its numVars variables occurs.
// Both generators draw it in two phases: every variable placed once in a
// clause with room (placeEachVariable), then every clause that is not full
// completed with random literals (completeClause), a completion equal to a
// full clause already present being drawn again.

// Counts of clauses above this are beyond what the rules are stated for;
// every caller caps its counts far lower.
inline constexpr std::int64_t kMaxRuledClauses = std::int64_t{1} << 19;

// Distinct full clauses over numVars variables: kClassicClauseWidth variables
// of numVars, each with either sign.
constexpr std::int64_t distinctFullClauses(std::int64_t numVars) {
    static_assert(kClassicClauseWidth == 3, "the count is written for three literals");
    assert(numVars >= 0 && numVars <= kClassicClauseWidth * kMaxRuledClauses);
    return numVars * (numVars - 1) * (numVars - 2) / 6 * 8;
}

// What makes a request impossible, the first that applies in this order.
enum class ClassicShapeProblem {
    None,
    TooFewVariables,        // fewer than a clause's kClassicClauseWidth distinct variables
    NoClause,               // fewer than one clause
    UncoveredVariables,     // more variables than the clauses have places
    TooFewDistinctClauses,  // more clauses than distinct full clauses exist
};

constexpr ClassicShapeProblem classicShapeProblem(std::int64_t numVars, std::int64_t numClauses) {
    assert(numClauses <= kMaxRuledClauses);
    if (numVars < kClassicClauseWidth) {
        return ClassicShapeProblem::TooFewVariables;
    }
    if (numClauses < 1) {
        return ClassicShapeProblem::NoClause;
    }
    if (numVars > kClassicClauseWidth * numClauses) {
        return ClassicShapeProblem::UncoveredVariables;
    }
    if (numClauses > distinctFullClauses(numVars)) {
        return ClassicShapeProblem::TooFewDistinctClauses;
    }
    return ClassicShapeProblem::None;
}

// The first phase: each variable in turn, from 0, goes to a clause drawn
// until one has room, with a sign drawn after it. `below(n)` is the random
// stream's next number below n, `hasRoom(clause)` whether that clause index
// can take another literal and `place(clause, variable, negated)` adds it.
template <typename Below, typename HasRoom, typename Place>
void placeEachVariable(std::int32_t numVars, std::int32_t numClauses, Below&& below,
                       HasRoom&& hasRoom, Place&& place) {
    assert(numVars <= kClassicClauseWidth * std::int64_t{numClauses} &&
           "a place for each variable");
    for (std::int32_t variable = 0; variable < numVars; ++variable) {
        std::int32_t target = below(numClauses);
        while (!hasRoom(target)) {
            target = below(numClauses);
        }
        const bool negated = below(2) == 1;
        place(target, variable, negated);
    }
}

// One completion of a clause: until `isFull()`, a sign and then a variable
// below numVars are drawn, and `add(variable, negated)` adds the literal
// unless the clause holds the variable already, in which case both draws are
// spent for nothing.
template <typename Below, typename IsFull, typename Add>
void completeClause(std::int32_t numVars, Below&& below, IsFull&& isFull, Add&& add) {
    assert(numVars >= kClassicClauseWidth);
    while (!isFull()) {
        const bool negated = below(2) == 1;
        const std::int32_t variable = below(numVars);
        add(variable, negated);
    }
}

}  // namespace satphase
