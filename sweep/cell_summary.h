#pragma once

#include <cstdint>
#include <span>
#include <vector>

// What one decided formula of a sweep came to.
struct FormulaResult {
    std::int32_t startState = 0;  // the stream's state before the formula was drawn
    bool satisfiable = false;
    std::uint64_t steps = 0;
};

// The statistics of one cell.
struct CellSummary {
    std::int32_t trials = 0;
    std::int32_t unsatisfiable = 0;
    double satFraction = 0;
    double satLow = 0;  // 95 % Wilson interval of satFraction
    double satHigh = 0;
    std::uint64_t median = 0;         // element trials / 2 of the sorted step counts
    std::uint64_t lowerQuartile = 0;  // element trials / 4
    std::uint64_t upperQuartile = 0;  // element 3 × trials / 4
    double mean = 0;
    std::uint64_t max = 0;
};

// The fraction of satisfiable formulas among `trials` with `unsatisfiable`
// of them not, and its 95 % Wilson score interval.
struct SatInterval {
    double fraction = 0;
    double low = 0;
    double high = 0;
};
SatInterval satInterval(std::int32_t unsatisfiable, std::int32_t trials);

// Summarises the results of one cell; `sortedSteps` is working storage with
// room for every result, so that summarising allocates nothing.
CellSummary summarise(std::span<const FormulaResult> results,
                      std::vector<std::uint64_t>& sortedSteps);
