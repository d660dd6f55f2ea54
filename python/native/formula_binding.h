#pragma once

#include <pybind11/numpy.h>
#include <pybind11/pybind11.h>

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace satphase {

// Clauses as Python gives them: whole numbers only, any integer type or a
// list; floats are refused, not truncated.
using RowArray = pybind11::array_t<std::int64_t, pybind11::array::c_style>;

// The formulas `satphase generate` draws for `arguments` ("generate" first,
// each option as one "--name=value"), in its order: per formula a tuple
// (variables, clauses, start state, hidden assignment), the clauses an int32
// array of one row of k DIMACS literals per clause (a shorter clause of the
// mixed model padded with 0), the hidden assignment an int8 array of 1 (true)
// and 0 per variable for a planted model and None otherwise. A request the
// command refuses raises ValueError with its message.
pybind11::list generateFromPython(const std::vector<std::string>& arguments);

// `satphase solve` with `arguments` ("solve" first) of the formula given as
// `clauses`, rows of DIMACS literals each ended by the first 0 or the row's
// end, over `vars` variables (the largest variable the rows name when not
// given), or when `clauses` is None of the DIMACS file the arguments name.
// The result is a dict: satisfiable (True, False, or None when a local
// search found no model), model (an int8 array of 1 and 0 per variable, or
// None), solver, cost_unit, cost, seconds, and propagations (dpll),
// lookaheads (lookahead) or seed (probsat, walksat). A refused request or
// formula raises ValueError with the command's message.
pybind11::dict solveFromPython(const std::vector<std::string>& arguments,
                               const std::optional<RowArray>& clauses,
                               std::optional<std::int64_t> vars);

}  // namespace satphase
