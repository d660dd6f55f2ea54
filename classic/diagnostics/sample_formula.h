#pragma once

#include <cstdint>
#include <iostream>

#include "classic/formula/formula.h"

// Three rows of three entries, one row per clause: e > 100 is no literal,
// otherwise variable |e|, negated when e < 0.
inline constexpr std::int32_t sampleTable[9] = {1, 101, 3, 1, 2, -3, 1, -2, 101};

// The clauses (1, 3), (1, 2, not 3) and (1, not 2) over variables 0 .. 3.
Formula makeSampleFormula();

// Prints the sample formula and decides it with the search, starting the
// branching at variable 1. Prints "Not possible" only when it is unsatisfiable.
void solveSampleFormula(std::ostream& out = std::cout);
