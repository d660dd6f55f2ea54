#include "solver/occurrence_index.h"

#include <algorithm>
#include <cstddef>

namespace satphase {

// All storage is taken here, so that build() never touches the heap.
OccurrenceIndex::OccurrenceIndex(std::int32_t maxVars, std::int64_t maxOccurrences)
    : maxVars_(std::max(maxVars, 1)), maxOccurrences_(std::max<std::int64_t>(maxOccurrences, 1)) {
    assert(maxVars >= 0 && maxOccurrences >= 0);
    start_.reserve(2 * static_cast<std::size_t>(maxVars_) + 1);
    clauses_.reserve(static_cast<std::size_t>(maxOccurrences_));
}

// Counts each literal's occurrences, turns the counts into starts, and then
// drops every clause into its literals' lists in clause order by advancing
// their starts; the starts are restored afterwards from the ends they were
// advanced to, each being the next literal's start.
void OccurrenceIndex::build(const Formula& formula) {
    assert(formula.numVars >= 0 && formula.numVars <= maxVars_ &&
           "more variables than the index was sized for");
    const std::size_t literals = 2 * static_cast<std::size_t>(formula.numVars);
    start_.assign(literals + 1, 0);
    for (const Clause& clause : formula.clauses) {
        assert(clause.size >= 0 && clause.size <= kMaxClauseWidth);
        for (std::int32_t k = 0; k < clause.size; ++k) {
            assert(clause.lits[k].variable().id < formula.numVars && "a literal beyond numVars");
            ++start_[clause.lits[k].index() + 1];
        }
    }
    for (std::size_t l = 1; l <= literals; ++l) {
        start_[l] += start_[l - 1];
    }
    assert(start_[literals] <= maxOccurrences_ && "more literals than the index was sized for");
    clauses_.resize(static_cast<std::size_t>(start_[literals]));
    const auto clauseCount = static_cast<std::int32_t>(formula.clauses.size());
    for (std::int32_t c = 0; c < clauseCount; ++c) {
        const Clause& clause = formula.clauses[static_cast<std::size_t>(c)];
        for (std::int32_t k = 0; k < clause.size; ++k) {
            clauses_[static_cast<std::size_t>(start_[clause.lits[k].index()]++)] = c;
        }
    }
    for (std::size_t l = literals; l > 0; --l) {
        start_[l] = start_[l - 1];
    }
    start_[0] = 0;
}

}  // namespace satphase
