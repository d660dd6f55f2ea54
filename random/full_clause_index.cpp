#include "random/full_clause_index.h"

FullClauseIndex::FullClauseIndex(const Formula& formula) {
    for (std::int32_t i = 0; i <= formula.lastClause; ++i) {
        if (formula.clauses[i].isFull()) {
            add(formula.clauses[i]);
        }
    }
}

std::int32_t FullClauseIndex::slotFor(const Clause& clause) {
    std::uint32_t hash = 0;
    for (const Literal& lit : clause.lits) {
        hash = hash * 0x9E3779B1U + static_cast<std::uint32_t>(lit.variable) * 2U +
               static_cast<std::uint32_t>(lit.negated);
    }
    return static_cast<std::int32_t>((hash * 0x85EBCA6BU) >> 22U);  // the top 10 bits
}

void FullClauseIndex::add(const Clause& clause) {
    std::int32_t slot = slotFor(clause);
    while (slots_[slot].last != -1) {
        slot = (slot + 1) % kSlots;
    }
    slots_[slot] = clause;
}

bool FullClauseIndex::contains(const Clause& clause) const {
    for (std::int32_t slot = slotFor(clause); slots_[slot].last != -1; slot = (slot + 1) % kSlots) {
        if (slots_[slot].equals(clause)) {
            return true;
        }
    }
    return false;
}
