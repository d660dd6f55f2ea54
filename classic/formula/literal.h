#pragma once

#include <cstdint>
#include <iostream>

// One variable, plain or negated. The empty literal (-1, -1) fills the unused
// slots of a clause and tells the search that no variable has been chosen yet.
struct Literal {
    std::int32_t variable = -1;  // index from 0; -1 = no variable
    std::int32_t negated = -1;   // 1 = negated, 0 = plain, -1 = no literal

    Literal() = default;
    Literal(std::int32_t variable, std::int32_t negated) : variable(variable), negated(negated) {}

    void set(std::int32_t newVariable, std::int32_t newNegated) {
        variable = newVariable;
        negated = newNegated;
    }

    int equals(Literal other) const {
        return variable == other.variable && negated == other.negated ? 1 : 0;
    }
    // Orderings compare the variable only; the sign never takes part.
    int greaterThan(Literal other) const { return variable > other.variable ? 1 : 0; }
    int lessThan(Literal other) const { return variable < other.variable ? 1 : 0; }

    // Sign marker "-" (negated), "N" (no literal) or " ", then the variable or "N".
    void print(std::ostream& out = std::cout) const;
};

// Sign marker " " for a plain literal and "-" for anything else, then the
// variable or "N". Differs from print() only on the empty literal.
std::ostream& operator<<(std::ostream& out, Literal literal);
