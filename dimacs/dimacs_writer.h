#pragma once

#include <span>
#include <string>
#include <string_view>

#include "formula/cnf_formula.h"

// Appends `formula` to `out` in DIMACS CNF: each of `comments` as a `c` line,
// the header `p cnf VARIABLES CLAUSES`, then one line per clause in formula
// order, literals 1-based (variable v as v + 1, negated as -(v + 1)) and
// ended by ` 0`. Comments must be single lines.
void appendDimacs(std::string& out, const CnfFormula& formula,
                  std::span<const std::string> comments = {});
