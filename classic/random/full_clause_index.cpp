#include "classic/random/full_clause_index.h"

#include <cassert>

FullClauseIndex::FullClauseIndex(const Formula& formula) {
    for (std::int32_t i = 0; i <= formula.lastClause; ++i) {
        if (formula.clauses[i].isFull()) {
            add(formula.clauses[i]);
        }
    }
}

satphase::PackedClause FullClauseIndex::keyOf(const Clause& clause) {
    assert(clause.isFull());
    const auto code = [](const Literal& lit) {
        return satphase::Literal(satphase::Variable{lit.variable}, lit.negated == 1);
    };
    return satphase::packClause(code(clause.lits[0]), code(clause.lits[1]), code(clause.lits[2]));
}

void FullClauseIndex::add(const Clause& clause) {
    keys_.insert(keyOf(clause));
}

bool FullClauseIndex::contains(const Clause& clause) const {
    return keys_.contains(keyOf(clause));
}
