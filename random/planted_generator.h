#pragma once

#include <cstdint>
#include <span>

#include "formula/formula.h"
#include "random/random_stream.h"

// Formulas with a known solution: uniform clauses (random/uniform_generator.h)
// filtered by a hidden assignment σ drawn first.
//  - Planted: a clause that σ makes false is rejected.
//  - 2-hidden (Achlioptas, Jia and Moore): a clause that σ or its complement
//    makes false is rejected, so both satisfy the formula and neither sign of
//    a variable is favoured, which takes away the literal counts that give a
//    plainly planted σ away.
// A rejected clause is drawn again in full, with the uniform model's draws.
// With k >= 2 at least half the sign patterns of any k variables pass either
// test (2^k - 1 or 2^k - 2 of 2^k), so a clause takes fewer than two tries on
// average.

// Which assignments a clause must leave satisfied.
enum class Hiding : std::uint8_t { One, Both };

// Draws σ: for each variable in order one stream.below(2), true when it is 1.
// Writes 1 (true) or 0 (false) to hidden[0 .. numVars - 1].
void drawHiddenAssignment(std::int32_t numVars, RandomStream& stream,
                          std::span<std::int8_t> hidden);

// Whether `assignment` (1 true, 0 false per variable) makes every literal of
// `clause` false.
bool falsifies(std::span<const std::int8_t> assignment, const Clause& clause);

// Fills `out` (its clause storage reused) with numClauses clauses of k
// literals over numVars variables that σ = `hidden`, and for Hiding::Both its
// complement too, satisfy.
void drawPlantedFormula(Hiding hiding, std::int32_t k, std::int32_t numVars,
                        std::int32_t numClauses, std::span<const std::int8_t> hidden,
                        RandomStream& stream, Formula& out);
