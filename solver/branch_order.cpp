#include "solver/branch_order.h"

#include <algorithm>

namespace satphase {

// All storage is taken here, so that neither reset() nor the search touches
// the heap. Along one path of the search each variable is taken from the
// front once, and each move to the front is recorded once: the trail holds
// at most maxVars + maxMoves changes.
BranchOrder::BranchOrder(std::int32_t maxVars, std::int32_t maxMoves)
    : maxVars_(std::max(maxVars, 1)) {
    assert(maxVars >= 0 && maxMoves >= 0);
    const std::int32_t vars = maxVars_;
    next_.reserve(vars + 1);  // the head's links too
    previous_.reserve(vars + 1);
    trail_.reserve(static_cast<std::size_t>(vars) + static_cast<std::size_t>(maxMoves));
}

// Links 0 .. numVars - 1 in ascending order, the classic search's initial
// order, behind the head numVars; with no variables the head links to itself.
void BranchOrder::reset(std::int32_t numVars) {
    assert(numVars >= 0 && numVars <= maxVars_ && "more variables than the order was sized for");
    head_ = Variable{numVars};
    next_.resize(numVars + 1);
    previous_.resize(numVars + 1);
    for (std::int32_t v = 0; v <= numVars; ++v) {
        next_[Variable{v}] = Variable{v == numVars ? 0 : v + 1};
        previous_[Variable{v}] = Variable{v == 0 ? numVars : v - 1};
    }
    trail_.clear();
}

}  // namespace satphase
