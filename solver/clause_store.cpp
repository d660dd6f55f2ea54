#include "solver/clause_store.h"

#include <algorithm>

namespace satphase {

ClauseStore::ClauseStore(std::int32_t maxClauses) {
    assert(maxClauses >= 0);
    const auto clauses = static_cast<std::size_t>(maxClauses);
    literals_.reserve(kMaxClauseWidth * clauses);
    starts_.reserve(clauses + 1);
}

// The width is that of the first clause unless another differs.
void ClauseStore::load(const Formula& formula) {
    literals_.clear();
    starts_.clear();
    for (const Clause& clause : formula.clauses) {
        assert(clause.size >= 0 && clause.size <= kMaxClauseWidth);
        starts_.push_back(static_cast<std::int32_t>(literals_.size()));
        literals_.insert(literals_.end(), clause.lits, clause.lits + clause.size);
    }
    starts_.push_back(static_cast<std::int32_t>(literals_.size()));
    width_ = formula.clauses.empty() ? 0 : formula.clauses.front().size;
    if (std::ranges::any_of(formula.clauses,
                            [this](const Clause& clause) { return clause.size != width_; })) {
        width_ = 0;
    }
}

}  // namespace satphase
