#include "classic/formula/variable_order.h"

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
    std::copy(slots + 1, slots + last + 1, slots);
    slots[last--] = -1;
    return front;
}

int VariableOrder::moveToFront(std::int32_t variable) {
    std::int32_t* const end = slots + last + 1;
    std::int32_t* const found = std::find(slots, end, variable);
    if (found == end) {
        return 0;
    }
    std::rotate(slots, found, found + 1);
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
