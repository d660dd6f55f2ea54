#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>

#include "formula/formula.h"

namespace satphase {

// Every satisfiable verdict is checked against the formula before anything
// reports it; these are the one place that check is made.

// The index of the first clause that `values` (per variable, 1 true, 0 false)
// leaves false, or nothing when they satisfy the formula. A variable beyond
// `values` satisfies no literal.
std::optional<std::size_t> firstFalseClause(const Formula& formula,
                                            std::span<const std::int8_t> values);

// Whether `model`, one value for each of the formula's variables, satisfies
// every clause.
bool satisfies(const Formula& formula, std::span<const std::int8_t> model);

}  // namespace satphase
