#pragma once

#include <cassert>
#include <cstdint>
#include <span>
#include <vector>

#include "formula/formula.h"

namespace satphase {

// Per literal, the clauses it occurs in, in clause order: what a search
// visits when it makes a literal true (the clauses it satisfies) or false
// (the clauses it cuts down). Clause order is what keeps the searches'
// choices those of the formula alone: the splitting search promotes the
// variables of the clauses it cuts down to one literal in this order, and
// DPLL queues its unit literals in it.
//
// The lists lie one after another in one array, each literal's from its
// start to the next literal's start (compressed sparse rows), so that the
// index of a formula takes two arrays, filled in two passes.
class OccurrenceIndex {
  public:
    // Sized for formulas of up to maxVars variables and maxOccurrences
    // literals in all their clauses together.
    OccurrenceIndex(std::int32_t maxVars, std::int64_t maxOccurrences);

    // Indexes the clauses of `formula`, whose literals must be over variables
    // below its numVars, and which must fit the sizes given at construction.
    void build(const Formula& formula);

    // The indices of the clauses `literal` occurs in, ascending; the literal
    // must be over a variable of the formula last built.
    std::span<const std::int32_t> of(Literal literal) const {
        assert(literal.index() + 1 < start_.size() && "a literal beyond the formula");
        return {clauses_.data() + start_[literal.index()],
                clauses_.data() + start_[literal.index() + 1]};
    }

  private:
    std::int32_t maxVars_;
    std::int64_t maxOccurrences_;
    // Literal l's clauses are clauses_[start_[l] .. start_[l + 1]); the last
    // entry, past the last literal, is the total.
    std::vector<std::int32_t> start_;
    std::vector<std::int32_t> clauses_;
};

}  // namespace satphase
