#include "random/full_clause_index.h"

FullClauseIndex::FullClauseIndex(const Formula& formula) {
    for (std::int16_t& slot : slots_) {
        slot = -1;
    }
    for (std::int32_t i = 0; i <= formula.lastClause; ++i) {
        if (formula.clauses[i].isFull()) {
            add(formula, i);
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

void FullClauseIndex::add(const Formula& formula, std::int32_t index) {
    std::int32_t slot = slotFor(formula.clauses[index]);
    while (slots_[slot] != -1) {
        slot = (slot + 1) % kSlots;
    }
    slots_[slot] = static_cast<std::int16_t>(index);
}

bool FullClauseIndex::containsEqual(const Formula& formula, const Clause& candidate) const {
    for (std::int32_t slot = slotFor(candidate); slots_[slot] != -1; slot = (slot + 1) % kSlots) {
        if (formula.clauses[slots_[slot]].equals(candidate)) {
            return true;
        }
    }
    return false;
}
