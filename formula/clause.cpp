#include "formula/clause.h"

int Clause::findVariable(Literal lit) const {
    for (std::int32_t i = 0; i <= last; ++i) {
        if (lits[i].variable == lit.variable) {
            return i;
        }
    }
    return -1;
}

int Clause::addLiteral(std::int32_t variable, std::int32_t negated) {
    if (isFull()) {
        return 0;
    }
    for (std::int32_t i = 0; i <= last; ++i) {
        if (lits[i].variable == variable) {
            return 0;
        }
    }
    ++last;
    lits[last].set(variable, negated);
    sortLiterals();
    return 1;
}

int Clause::removeLiteralAt(std::int32_t index) {
    if (index < 0 || index > last) {
        return 0;
    }
    for (std::int32_t k = index; k < last; ++k) {
        lits[k] = lits[k + 1];
    }
    lits[last].set(-1, -1);
    --last;
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
    if (last != other.last) {
        return 0;
    }
    for (std::int32_t i = 0; i <= last; ++i) {
        if (!lits[i].equals(other.lits[i])) {
            return 0;
        }
    }
    return 1;
}

void Clause::sortLiterals() {
    for (std::int32_t pass = 0; pass <= last; ++pass) {
        for (std::int32_t j = 0; j < last; ++j) {
            if (lits[j].greaterThan(lits[j + 1])) {
                const Literal held = lits[j];
                lits[j] = lits[j + 1];
                lits[j + 1] = held;
            }
        }
    }
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
