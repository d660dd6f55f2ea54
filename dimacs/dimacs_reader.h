#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "formula/formula.h"

namespace satphase {

// What is wrong with a DIMACS text, and on which line (from 1).
struct DimacsProblem {
    std::int64_t line = 0;
    std::string what;  // one line of printable text
};

// Reads one DIMACS CNF formula of at most seven distinct literals per clause.
//
// Accepted: `c` comment lines anywhere, the `p cnf VARIABLES CLAUSES` header
// before the first clause, clauses spread over several lines or several on
// one line, any run of blanks, tabs and CRs between numbers, no final newline,
// and a `%` that ends the formula (the trailer of the old uniform random 3-SAT
// benchmark sets; whatever follows it is ignored).
//
// On success `formula` (its clause storage reused) holds the header's variable
// count and the clauses in file order, each as its distinct literals in order
// of first appearance; a clause holding a literal and its negation is left
// out, and an empty clause is kept as a clause of size 0. On failure it names
// the first problem; `formula` is then unspecified.
//
// A header beyond `limits` is refused.
//
// A single pass over the text, allocating nothing but the clause storage,
// which never outgrows the header's clause count, and the problem's text.
std::optional<DimacsProblem> readDimacs(std::string_view text, Formula& formula,
                                        FormulaLimits limits = kDecidedLimits);

}  // namespace satphase
