#include "classic/formula/formula.h"

#include <algorithm>
#include <utility>

Formula::Formula(std::int32_t count) : lastClause(std::clamp(count, 0, kMaxClauses) - 1) {}

int Formula::removeClause(std::int32_t index) {
    if (index < 0 || index > lastClause) {
        return 0;
    }
    std::copy(clauses + index + 1, clauses + lastClause + 1, clauses + index);
    clauses[lastClause--] = Clause();
    return 1;
}

namespace {

// True when a orders strictly before b: their variables compared position by
// position, signs ignored. Beyond a clause's last literal the empty literal's
// variable -1 stands, so a clause that is the beginning of another, and the
// empty clause, order first.
bool ordersBefore(const Clause& a, const Clause& b) {
    for (std::int32_t k = 0; k < kClauseWidth; ++k) {
        if (a.lits[k].variable != b.lits[k].variable) {
            return a.lits[k].variable < b.lits[k].variable;
        }
    }
    return false;
}

// Merges the sorted runs from[begin, middle) and from[middle, end) into
// to[begin, end); on a tie the left run goes first, which keeps the merge stable.
void mergeRuns(const Clause* from, Clause* to, std::int32_t begin, std::int32_t middle,
               std::int32_t end) {
    std::int32_t left = begin;
    std::int32_t right = middle;
    for (std::int32_t k = begin; k < end; ++k) {
        if (right == end || (left < middle && !ordersBefore(from[right], from[left]))) {
            to[k] = from[left++];
        } else {
            to[k] = from[right++];
        }
    }
}

}  // namespace

// A stable bottom-up merge sort over a scratch array on the stack, written out
// because std::stable_sort takes its buffer from the heap. Clauses with equal
// variable sequences keep their relative order.
void Formula::sortClauses() {
    const std::int32_t count = lastClause + 1;
    Clause scratch[kMaxClauses];
    Clause* from = clauses;
    Clause* to = scratch;
    for (std::int32_t width = 1; width < count; width *= 2) {
        for (std::int32_t begin = 0; begin < count; begin += 2 * width) {
            const std::int32_t middle = std::min(begin + width, count);
            const std::int32_t end = std::min(begin + 2 * width, count);
            mergeRuns(from, to, begin, middle, end);
        }
        std::swap(from, to);
    }
    if (from != clauses) {
        std::copy(from, from + count, clauses);
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
