#include "random/random_source.h"

#include <cassert>

std::int32_t rngState = kRngInitialState;

std::int32_t randomBelow(std::int32_t n) {
    assert(n >= 1);
    const std::int32_t hi = rngState / kRngQuotient;
    const std::int32_t lo = rngState % kRngQuotient;
    const std::int32_t t = kRngMultiplier * lo - kRngRemainder * hi;
    rngState = t < 0 ? t + kRngModulus : t;
    return rngState % n;
}
