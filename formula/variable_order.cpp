#include "formula/variable_order.h"

#include <algorithm>

VariableOrder::VariableOrder(std::int32_t count) : last(std::clamp(count, 0, kMaxVariables) - 1) {
    for (std::int32_t i = 0; i < kMaxVariables; ++i) {
        slots[i] = i <= last ? i : -1;
    }
}

std::int32_t VariableOrder::popFront() {
    if (last == -1) {
        return -1;
    }
    const std::int32_t front = slots[0];
    for (std::int32_t i = 1; i <= last; ++i) {
        slots[i - 1] = slots[i];
    }
    slots[last] = -1;
    --last;
    return front;
}

int VariableOrder::moveToFront(std::int32_t variable) {
    // A negative variable could otherwise match the -1 fillers.
    if (variable < 0 || variable >= kMaxVariables || last == -1) {
        return 0;
    }
    std::int32_t found = -1;
    for (std::int32_t i = 0; i <= last; ++i) {
        if (slots[i] == variable) {
            found = i;
            break;
        }
    }
    if (found == -1) {
        return 0;
    }
    for (std::int32_t k = found; k >= 1; --k) {
        slots[k] = slots[k - 1];
    }
    slots[0] = variable;
    return 1;
}

void VariableOrder::print(std::ostream& out) const {
    if (last == -1) {
        out << "List of variables: empty\n";
        return;
    }
    out << "List of variables: ";
    for (std::int32_t i = 0; i <= last; ++i) {
        out << slots[i] << " ";
    }
    out << "\n";
}
