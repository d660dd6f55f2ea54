#pragma once

#include <cstdint>
#include <vector>

// Formulas for the commands that go beyond the classic report's fixed
// capacities (up to kMaxFormulaVars variables and kMaxFormulaClauses clauses): sweeps,
// DIMACS files and the search engines behind them.
//
// A literal is one integer: 2 * variable + 1 when negated, 2 * variable when
// plain, so that a literal and its negation differ only in the lowest bit.
using Literal = std::int32_t;

constexpr Literal makeLiteral(std::int32_t variable, bool negated) {
    return 2 * variable + (negated ? 1 : 0);
}
constexpr std::int32_t variableOf(Literal literal) {
    return literal >> 1;
}
constexpr bool isNegated(Literal literal) {
    return (literal & 1) != 0;
}
constexpr Literal negationOf(Literal literal) {
    return literal ^ 1;
}

// Literals in a full clause of the classic model, which its generator fills
// every clause up to.
inline constexpr std::int32_t kClassicClauseWidth = 3;
// The most literals a clause can hold: the random models draw clauses of 2 to
// 7 literals, and DIMACS files may mix any lengths up to that.
inline constexpr std::int32_t kMaxClauseWidth = 7;

// The largest formulas the new commands accept. The search's cost, not its
// storage, is what limits useful sizes long before these.
inline constexpr std::int32_t kMaxFormulaVars = 1000;
inline constexpr std::int32_t kMaxFormulaClauses = 100000;

// Up to seven literals over distinct variables; `size` of them are in use.
struct Clause {
    Literal lits[kMaxClauseWidth] = {};
    std::int32_t size = 0;
};

// A conjunction of clauses over the variables 0 .. numVars - 1. Its storage
// is reused: a caller that reserves the clause capacity once can refill the
// same value without touching the heap.
struct Formula {
    std::int32_t numVars = 0;
    std::vector<Clause> clauses;
};
