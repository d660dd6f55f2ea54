#include "classic/formula/clause.h"

#include <algorithm>

int Clause::findVariable(Literal lit) const {
    for (std::int32_t i = 0; i <= last; ++i) {
        if (lits[i].variable == lit.variable) {
            return i;
        }
    }
    return -1;
}

int Clause::addLiteral(std::int32_t variable, std::int32_t negated) {
    if (isFull() || findVariable(Literal(variable, negated)) != -1) {
        return 0;
    }
    Literal* at = lits + last + 1;
    for (; at != lits && (at - 1)->variable > variable; --at) {
        *at = *(at - 1);
    }
    at->set(variable, negated);
    ++last;
    return 1;
}

int Clause::removeLiteralAt(std::int32_t index) {
    if (index < 0 || index > last) {
        return 0;
    }
    std::copy(lits + index + 1, lits + last + 1, lits + index);
    lits[last--] = Literal();
    return 1;
}

int Clause::removeLiteral(Literal lit) {
    for (std::int32_t i = 0; i <= last; ++i) {
        if (lits[i].equals(lit)) {
            return removeLiteralAt(i);
        }
    }
    return 0;
}

int Clause::equals(const Clause& other) const {
    return std::equal(lits, lits + last + 1, other.lits, other.lits + other.last + 1,
                      [](Literal a, Literal b) { return a.equals(b) == 1; })
               ? 1
               : 0;
}

void Clause::sortLiterals() {
    std::sort(lits, lits + last + 1, [](Literal a, Literal b) { return a.lessThan(b) == 1; });
}

void Clause::print(std::ostream& out) const {
    if (last == -1) {
        out << "empty\n";
        return;
    }
    for (std::int32_t i = 0; i <= last; ++i) {
        lits[i].print(out);
    }
    out << "\n";
}

std::ostream& operator<<(std::ostream& out, const Clause& clause) {
    for (std::int32_t i = 0; i <= clause.last; ++i) {
        out << clause.lits[i];
    }
    return out << "\n";
}
