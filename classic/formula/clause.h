#pragma once

#include <cstdint>
#include <iostream>

#include "classic/formula/literal.h"

inline constexpr std::int32_t kClauseWidth = 3;

// A disjunction of at most three literals over distinct variables, kept in
// ascending order of variable. Slots beyond `last` hold the empty literal.
struct Clause {
    Literal lits[kClauseWidth];
    std::int32_t last = -1;  // index of the last literal; -1 = empty clause

    int isFull() const { return last == kClauseWidth - 1 ? 1 : 0; }

    // Index of the first literal over lit's variable, whatever its sign; -1 if none.
    int findVariable(Literal lit) const;

    // Adds the literal and keeps the literals sorted by variable. Refuses (0)
    // when the clause is full or already holds the variable with either sign.
    int addLiteral(std::int32_t variable, std::int32_t negated);

    // Removes the literal at index; later literals move down one place.
    // Refuses (0) an index outside 0 .. last.
    int removeLiteralAt(std::int32_t index);

    // Removes the literal equal to lit in variable and sign; 0 if absent.
    int removeLiteral(Literal lit);

    // Same length and the same literals, signs included, position by position.
    int equals(const Clause& other) const;

    // Sorts the literals by variable, signs travelling along.
    void sortLiterals();

    // The literals with Literal::print, then "\n"; an empty clause prints "empty\n".
    void print(std::ostream& out = std::cout) const;
};

// The literals with the literal's operator<<, then "\n" (also for an empty clause).
std::ostream& operator<<(std::ostream& out, const Clause& clause);
