#include "sweep/cell_summary.h"

#include <algorithm>
#include <cassert>
#include <cmath>

namespace satphase {

namespace {

// The normal quantile of 0.975: a two-sided 95 % interval.
constexpr double kZ = 1.959963984540054;

}  // namespace

CellSummary summarise(std::span<const FormulaResult> results,
                      std::vector<std::uint64_t>& sortedSteps, std::size_t solver, bool complete) {
    assert(solver < kSolverCount);
    CellSummary summary;
    const auto n = static_cast<std::int32_t>(results.size());
    summary.trials = n;
    if (n == 0) {
        return summary;
    }
    sortedSteps.clear();
    std::uint64_t total = 0;
    for (const FormulaResult& result : results) {
        summary.unsatisfiable += result.satisfiable ? 0 : 1;
        summary.solved += result.solved[solver] ? 1 : 0;
        if (complete || result.solved[solver]) {
            sortedSteps.push_back(result.costs[solver]);
            total += result.costs[solver];
        }
    }
    const SatInterval interval = satInterval(summary.unsatisfiable, n);
    summary.satFraction = interval.fraction;
    summary.satLow = interval.low;
    summary.satHigh = interval.high;
    const SatInterval solved = satInterval(n - summary.solved, n);
    summary.solvedFraction = solved.fraction;
    summary.solvedLow = solved.low;
    summary.solvedHigh = solved.high;
    const auto m = static_cast<std::int64_t>(sortedSteps.size());
    if (m == 0) {
        return summary;
    }
    std::sort(sortedSteps.begin(), sortedSteps.end());
    summary.median = sortedSteps[static_cast<std::size_t>(m / 2)];
    summary.lowerQuartile = sortedSteps[static_cast<std::size_t>(m / 4)];
    summary.upperQuartile = sortedSteps[static_cast<std::size_t>(3 * m / 4)];
    summary.max = sortedSteps.back();
    summary.mean = static_cast<double>(total) / static_cast<double>(m);
    return summary;
}

double entropyOf(std::uint64_t solutions, std::int32_t vars) {
    assert(solutions > 0 && vars > 0);
    return std::log2(static_cast<double>(solutions)) / vars;
}

namespace {

MeasureSpread spreadOf(std::vector<double>& values) {
    MeasureSpread spread;
    if (values.empty()) {
        return spread;
    }
    std::sort(values.begin(), values.end());
    const std::size_t m = values.size();
    spread.median = values[m / 2];
    spread.lowerQuartile = values[m / 4];
    spread.upperQuartile = values[3 * m / 4];
    double total = 0;
    for (const double value : values) {
        total += value;
    }
    spread.mean = total / static_cast<double>(m);
    return spread;
}

}  // namespace

CellMeasures summariseMeasures(std::span<const FormulaResult> results, std::int32_t vars,
                               std::vector<double>& scratch) {
    CellMeasures measures;
    scratch.clear();
    for (const FormulaResult& result : results) {
        if (result.satisfiable) {
            scratch.push_back(result.backbone);
        }
    }
    measures.measured = static_cast<std::int32_t>(scratch.size());
    measures.backbone = spreadOf(scratch);
    scratch.clear();
    for (const FormulaResult& result : results) {
        if (result.satisfiable && result.solutions > 0) {
            scratch.push_back(entropyOf(result.solutions, vars));
        }
    }
    measures.entropy = spreadOf(scratch);
    return measures;
}

SatInterval satInterval(std::int32_t unsatisfiable, std::int32_t count) {
    assert(count > 0 && unsatisfiable >= 0 && unsatisfiable <= count);
    const double trials = count;
    const double p = (trials - unsatisfiable) / trials;
    const double z2 = kZ * kZ;
    const double centre = (p + z2 / (2 * trials)) / (1 + z2 / trials);
    const double half =
        kZ * std::sqrt(p * (1 - p) / trials + z2 / (4 * trials * trials)) / (1 + z2 / trials);
    // At either end the interval reaches it exactly, whatever the rounding.
    return SatInterval{p, p == 0 ? 0.0 : std::max(0.0, centre - half),
                       p == 1 ? 1.0 : std::min(1.0, centre + half)};
}

}  // namespace satphase
