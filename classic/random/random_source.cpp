#include "classic/random/random_source.h"

#include <cassert>

std::int32_t rngState = kRngInitialState;

std::int32_t randomBelow(std::int32_t n) {
    assert(n >= 1);
    rngState = satphase::nextParkMillerState(rngState);
    return rngState % n;
}
