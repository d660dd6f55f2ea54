#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "formula/formula.h"

// The verdict on one formula, as `satphase solve` reports it.
struct CnfVerdict {
    bool satisfiable = false;
    std::uint64_t steps = 0;
    std::vector<std::int8_t> model;  // per variable, 1 true or 0 false, when satisfiable
};

// Decides any formula the DIMACS reader gives, the ones with nothing to search
// included: an empty clause makes it unsatisfiable and no variables (hence no
// clauses) satisfiable, both in 0 steps; everything else goes to TrailSearch.
CnfVerdict decideCnf(const Formula& formula);

// The index of the first clause that `values` (per variable, 1 true, 0 false)
// leaves false, or nothing when they satisfy the formula. Every model is
// checked with it before it is printed.
std::optional<std::size_t> firstFalseClause(const Formula& formula,
                                            std::span<const std::int8_t> values);
