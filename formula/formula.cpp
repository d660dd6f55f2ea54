#include "formula/formula.h"

#include <algorithm>

Formula::Formula(std::int32_t count) : lastClause(std::clamp(count, 0, kMaxClauses) - 1) {}

int Formula::removeClause(std::int32_t index) {
    if (index < 0 || index > lastClause) {
        return 0;
    }
    for (std::int32_t k = index; k < lastClause; ++k) {
        clauses[k] = clauses[k + 1];
    }
    while (clauses[lastClause].last != -1) {
        clauses[lastClause].removeLiteralAt(0);
    }
    --lastClause;
    return 1;
}

namespace {

// True when b orders strictly before a, so that the neighbours a, b must be exchanged.
bool ordersBefore(const Clause& b, const Clause& a) {
    const std::int32_t longest = std::max(a.last, b.last);
    for (std::int32_t k = 0; k <= longest; ++k) {
        if (b.lits[k].variable != a.lits[k].variable) {
            return b.lits[k].variable < a.lits[k].variable;
        }
    }
    return false;
}

}  // namespace

void Formula::sortClauses() {
    for (std::int32_t pass = 0; pass <= lastClause; ++pass) {
        for (std::int32_t j = 0; j < lastClause; ++j) {
            if (ordersBefore(clauses[j + 1], clauses[j])) {
                const Clause held = clauses[j];
                clauses[j] = clauses[j + 1];
                clauses[j + 1] = held;
            }
        }
    }
}

void Formula::print(std::ostream& out) const {
    const std::int32_t clauseCount = lastClause + 1;
    out << "Clauses : " << clauseCount << "\nVariables : " << numVars
        << "\nClauses per variable : ";
    if (numVars > 0) {
        out << static_cast<double>(clauseCount) / numVars;
    } else {
        out << "n/a";  // no variables: the ratio is undefined
    }
    out << "\n--------\n";
    for (std::int32_t i = 0; i <= lastClause; ++i) {
        out << "clause # " << i << " : ";
        clauses[i].print(out);
    }
    out << "--------\n";
}
