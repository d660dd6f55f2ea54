#pragma once

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <iosfwd>
#include <mutex>
#include <span>
#include <thread>
#include <vector>

#include "sweep/sweep_plan.h"
#include "sweep/sweep_runner.h"

namespace satphase {

// A line on standard error, redrawn four times a second while a sweep runs:
// cells done of all, formulas decided, time spent and an estimate of the time
// left. The estimate weighs every cell by how its cost grows with its size
// (about 2.9-fold per ten variables, bench/README.md), so the small first cells do not make
// the large last ones look cheap; for local searches alone (`linearCost`),
// whose flips at a fixed ratio grow about as the variables, in proportion to
// its size.
class ProgressLine {
  public:
    ProgressLine(std::span<const SweepCell> cells, std::int32_t trials,
                 const SweepProgress& progress, std::ostream& out, bool linearCost = false);
    ~ProgressLine();  // stops redrawing and clears the line
    ProgressLine(const ProgressLine&) = delete;
    ProgressLine& operator=(const ProgressLine&) = delete;

    // Leaves out cells that the sweep will not decide (a resumed or sharded sweep).
    void skip(const SweepCell& cell);

  private:
    void draw();

    std::vector<double> weights_;
    std::vector<bool> counted_;
    std::int32_t trials_;
    const SweepProgress& progress_;
    std::ostream& out_;
    std::chrono::steady_clock::time_point start_;
    std::mutex mutex_;
    std::condition_variable wake_;
    bool done_ = false;
    std::thread thread_;
};

// Cost per formula grows by about this factor with every ten variables.
inline constexpr double kCostGrowthPerTenVars = 2.9;

}  // namespace satphase
