#pragma once

#include <cstdint>

// Park and Miller's minimal standard generator, state = 16807 * state mod (2^31 - 1),
// evaluated with Schrage's decomposition so that no intermediate leaves 32 bits.
inline constexpr std::int32_t kRngMultiplier = 16807;
inline constexpr std::int32_t kRngModulus = 2147483647;
inline constexpr std::int32_t kRngQuotient = 127773;  // kRngModulus / kRngMultiplier
inline constexpr std::int32_t kRngRemainder = 2836;   // kRngModulus % kRngMultiplier

inline constexpr std::int32_t kRngInitialState = 64540;

// The one random stream of the whole run. It starts at kRngInitialState and is
// never reseeded, so every run draws the same numbers.
extern std::int32_t rngState;

// Advances rngState by one step and returns the new state mod n (n >= 1).
std::int32_t randomBelow(std::int32_t n);
