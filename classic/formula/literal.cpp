#include "classic/formula/literal.h"

void Literal::print(std::ostream& out) const {
    if (negated == 1) {
        out << "-";
    } else if (negated == -1) {
        out << "N";
    } else {
        out << " ";
    }
    if (variable == -1) {
        out << "N";
    } else {
        out << variable;
    }
}

std::ostream& operator<<(std::ostream& out, Literal literal) {
    out << (literal.negated == 0 ? " " : "-");
    if (literal.variable == -1) {
        out << "N";
    } else {
        out << literal.variable;
    }
    return out;
}
