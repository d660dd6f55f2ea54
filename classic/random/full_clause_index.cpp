#include "classic/random/full_clause_index.h"

#include <cassert>

FullClauseIndex::FullClauseIndex(const Formula& formula) {
    for (std::int32_t i = 0; i <= formula.lastClause; ++i) {
        if (formula.clauses[i].isFull()) {
            add(formula.clauses[i]);
        }
    }
}

std::uint64_t FullClauseIndex::keyOf(const Clause& clause) {
    assert(clause.isFull());
    std::uint64_t key = 0;
    for (const Literal& lit : clause.lits) {
        assert(lit.variable >= 0 && lit.variable < (1 << 20) - 1);
        key = key << 21U | (static_cast<std::uint64_t>(lit.variable) * 2U +
                            static_cast<std::uint64_t>(lit.negated) + 1U);
    }
    return key;
}

std::int32_t FullClauseIndex::slotFor(std::uint64_t key) {
    return static_cast<std::int32_t>((key * 0x9E3779B97F4A7C15U) >> 54U);  // the top 10 bits
}

void FullClauseIndex::add(const Clause& clause) {
    const std::uint64_t key = keyOf(clause);
    std::int32_t slot = slotFor(key);
    while (slots_[slot] != 0) {
        slot = (slot + 1) % kSlots;
    }
    slots_[slot] = key;
}

bool FullClauseIndex::contains(const Clause& clause) const {
    const std::uint64_t key = keyOf(clause);
    for (std::int32_t slot = slotFor(key); slots_[slot] != 0; slot = (slot + 1) % kSlots) {
        if (slots_[slot] == key) {
            return true;
        }
    }
    return false;
}
