#pragma once

#include <cstdint>
#include <iostream>

inline constexpr std::int32_t kMaxVariables = 40;

// The unassigned variables in the order the search will branch on them, front
// first. Slots beyond `last` hold -1.
struct VariableOrder {
    std::int32_t slots[kMaxVariables] = {};
    std::int32_t last = -1;  // index of the last listed variable; -1 = empty

    VariableOrder() : VariableOrder(0) {}
    // The variables 0 .. min(count, kMaxVariables) - 1 in ascending order.
    explicit VariableOrder(std::int32_t count);

    // Removes and returns the front variable; -1 (and no change) on an empty list.
    std::int32_t popFront();

    // Moves a listed variable to the front, keeping the others in order.
    // Refuses (0) a variable that is not listed.
    int moveToFront(std::int32_t variable);

    // "List of variables: " and each variable followed by a space, or "empty".
    void print(std::ostream& out = std::cout) const;
};
