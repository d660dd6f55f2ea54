#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <vector>

#include "solver/solver_kind.h"

namespace satphase {

// What one decided formula of a sweep came to.
struct FormulaResult {
    std::int32_t startState = 0;  // the stream's state before the formula was drawn
    bool satisfiable = false;
    // Each solver's cost, in the order the sweep lists them; the splitting
    // search's steps alone in a sweep without solvers.
    std::array<std::uint64_t, kSolverCount> costs{};
    std::uint64_t propagations = 0;  // dpll's, when it is listed
    std::uint64_t lookaheads = 0;    // lookahead's, when it is listed
};

// The statistics of one cell.
struct CellSummary {
    std::int32_t trials = 0;
    std::int32_t unsatisfiable = 0;
    double satFraction = 0;
    double satLow = 0;  // 95 % Wilson interval of satFraction
    double satHigh = 0;
    std::uint64_t median = 0;         // element trials / 2 of the sorted costs
    std::uint64_t lowerQuartile = 0;  // element trials / 4
    std::uint64_t upperQuartile = 0;  // element 3 × trials / 4
    double mean = 0;
    std::uint64_t max = 0;
};

// The fraction of satisfiable formulas among `count` with `unsatisfiable`
// of them not, and its 95 % Wilson score interval.
struct SatInterval {
    double fraction = 0;
    double low = 0;
    double high = 0;
};
SatInterval satInterval(std::int32_t unsatisfiable, std::int32_t count);

// Summarises the results of one cell, the costs of the solver at `solver` in
// the sweep's list; `sortedSteps` is working storage with room for every
// result, so that summarising allocates nothing.
CellSummary summarise(std::span<const FormulaResult> results,
                      std::vector<std::uint64_t>& sortedSteps, std::size_t solver = 0);

}  // namespace satphase
