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
    // The complete solvers' verdict; false, and meaningless, in a sweep of
    // local searches alone.
    bool satisfiable = false;
    // Each solver's cost, in the order the sweep lists them; the splitting
    // search's steps alone in a sweep without solvers.
    std::array<std::uint64_t, kSolverCount> costs{};
    std::uint64_t propagations = 0;  // dpll's, when it is listed
    std::uint64_t lookaheads = 0;    // lookahead's, when it is listed
    // Per solver, in the sweep's order: whether it found a model (a complete
    // one, whether it called the formula satisfiable).
    std::array<bool, kSolverCount> solved{};
    // The measures of a satisfiable formula (--measure), 0 for the others:
    // the fraction of its variables in its backbone, and its number of
    // solutions. The measures' own verdict is checked against the solvers'.
    double backbone = 0;
    std::uint64_t solutions = 0;
    bool measuredSatisfiable = false;
};

// The spread of a measure over a cell's satisfiable formulas: of m values,
// element m / 2 of the sorted values, m / 4 and 3 × m / 4, and the mean; all
// 0 when m is.
struct MeasureSpread {
    double median = 0;
    double lowerQuartile = 0;
    double upperQuartile = 0;
    double mean = 0;
};

// A cell's measures: over its `measured` satisfiable formulas, the fraction
// of variables in the backbone and the entropy, log2 of the solutions per
// variable.
struct CellMeasures {
    std::int32_t measured = 0;
    MeasureSpread backbone;
    MeasureSpread entropy;
};

// The statistics of one cell.
struct CellSummary {
    std::int32_t trials = 0;
    std::int32_t unsatisfiable = 0;
    double satFraction = 0;
    double satLow = 0;  // 95 % Wilson interval of satFraction
    double satHigh = 0;
    // The formulas the solver found a model of, and that fraction of trials
    // with its 95 % Wilson interval.
    std::int32_t solved = 0;
    double solvedFraction = 0;
    double solvedLow = 0;
    double solvedHigh = 0;
    // The costs of every formula, or of the solved ones alone for a local
    // search (all 0 when it solved none): of m costs, element m / 2 of the
    // sorted costs, m / 4 and 3 × m / 4.
    std::uint64_t median = 0;
    std::uint64_t lowerQuartile = 0;
    std::uint64_t upperQuartile = 0;
    double mean = 0;
    std::uint64_t max = 0;
    // The same for every solver of the cell: the measures are the formulas'.
    CellMeasures measures;
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
// the sweep's list, a local search's (`complete` false) over the formulas it
// solved; `sortedSteps` is working storage with room for every result, so
// that summarising allocates nothing.
CellSummary summarise(std::span<const FormulaResult> results,
                      std::vector<std::uint64_t>& sortedSteps, std::size_t solver = 0,
                      bool complete = true);

// log2 of a satisfiable formula's solutions per variable: the entropy the
// records give, computed here alone so that a sweep and a merge of its
// per-formula records write the same digits.
double entropyOf(std::uint64_t solutions, std::int32_t vars);

// The measures of a cell of formulas of `vars` variables, over the
// satisfiable ones; `scratch` is working storage with room for every result.
CellMeasures summariseMeasures(std::span<const FormulaResult> results, std::int32_t vars,
                               std::vector<double>& scratch);

}  // namespace satphase
