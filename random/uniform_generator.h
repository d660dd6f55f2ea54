#pragma once

#include <cstdint>

#include "formula/formula.h"
#include "random/random_stream.h"

namespace satphase {

// The fixed-clause-length ("uniform") model of random k-CNF: every clause,
// independently of the others, takes k distinct variables uniformly from the
// numVars and negates each with probability 1/2. Clauses may repeat and a
// variable may occur nowhere, as the model has it.
//
// The draws, all from one Park–Miller stream, come in this order, clause
// after clause and within a clause literal after literal:
//   1. the variable, stream.below(numVars), drawn again for as long as the
//      clause already holds it;
//   2. the sign, stream.below(2): negated when it is 1.
// The literals stay in the order drawn. Redrawing a repeated variable gives
// every set of k variables the same chance, like a partial Fisher–Yates
// shuffle, but needs no array of the variables that would have to be put
// back between clauses: a clause depends on nothing but the stream's state.
// It always ends, because a full period of the stream (every state from 1 to
// 2^31 - 2) leaves every remainder mod numVars; for k <= 7 of n >= k variables
// it takes at most 2.6 variable draws per literal on average, fewer than 1.2
// once n >= 3k. (Taking the state mod n favours the smaller remainders by at
// most n in 2^31, as the classic model does.)

// Draws one clause of k literals (kMinClauseWidth .. kMaxClauseWidth,
// k <= numVars) into `out`.
void drawUniformClause(std::int32_t k, std::int32_t numVars, RandomStream& stream, Clause& out);

// Fills `out` (its clause storage reused) with numClauses uniform clauses of
// k literals over numVars variables.
void drawUniformFormula(std::int32_t k, std::int32_t numVars, std::int32_t numClauses,
                        RandomStream& stream, Formula& out);

// The mixed model, (2+p)-SAT (Monasson, Zecchina, Kirkpatrick, Selman and
// Troyansky 1999): every clause independently has kMixedLongWidth literals
// with probability p and two otherwise. Per clause, first one step of the
// stream decides the width: its new state s (1 .. 2^31 - 2) stands for the
// unit value u = (s - 1) / (2^31 - 2) in [0, 1), and the clause is long when
// u < p, compared exactly in integers as (s - 1) * 10^6 < pMillionths *
// (2^31 - 2). So p = 0 gives only two-literal clauses and p = 1 only long
// ones. Then come exactly the uniform clause's draws for that width.
void drawMixedFormula(std::int32_t pMillionths, std::int32_t numVars, std::int32_t numClauses,
                      RandomStream& stream, Formula& out);

}  // namespace satphase
