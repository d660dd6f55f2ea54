#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

#include "formula/formula.h"

// Appends `formula` to `out` in DIMACS CNF: each of `comments` as a `c` line,
// the header `p cnf VARIABLES CLAUSES`, then one line per clause in formula
// order, literals 1-based (variable v as v + 1, negated as -(v + 1)) and
// ended by ` 0`. Comments must be single lines.
void appendDimacs(std::string& out, const Formula& formula,
                  std::span<const std::string> comments = {});

// The longest `v` line appendValueLines() writes, newline not counted.
inline constexpr std::size_t kMaxValueLine = 4096;

// Appends the values of a model as SAT solvers print them: `v` lines of at
// most kMaxValueLine characters holding every variable (1-based, negated when
// false, `values` 1 true or 0 false), then the closing 0.
void appendValueLines(std::string& out, std::span<const std::int8_t> values);
