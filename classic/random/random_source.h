#pragma once

#include <cstdint>

#include "random/random_stream.h"

// The generator's constants, under the names the classic program has always
// used; the engine's random streams take the same step.
using satphase::kRngInitialState;
using satphase::kRngModulus;
using satphase::kRngMultiplier;
using satphase::kRngQuotient;
using satphase::kRngRemainder;

// The one random stream of the classic run. It starts at kRngInitialState, so
// every run of the report draws the same numbers; only tests and benchmarks
// set it back.
extern std::int32_t rngState;

// Advances rngState by one step and returns the new state mod n (n >= 1).
std::int32_t randomBelow(std::int32_t n);
