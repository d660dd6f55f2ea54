#include "cli/progress_line.h"

#include <cmath>
#include <cstdio>
#include <ostream>

#include "platform/interrupt.h"

namespace satphase {

namespace {

std::string clock(double seconds) {
    const auto whole = static_cast<long long>(seconds);
    char text[32];
    std::snprintf(text, sizeof text, "%lld:%02lld:%02lld", whole / 3600, whole / 60 % 60,
                  whole % 60);
    return text;
}

}  // namespace

ProgressLine::ProgressLine(std::span<const SweepCell> cells, std::int32_t trials,
                           const SweepProgress& progress, std::ostream& out, bool linearCost)
    : counted_(cells.size(), true),
      trials_(trials),
      progress_(progress),
      out_(out),
      start_(std::chrono::steady_clock::now()) {
    for (const SweepCell& cell : cells) {
        weights_.push_back(linearCost ? cell.vars
                                      : std::pow(kCostGrowthPerTenVars, cell.vars / 10.0));
    }
    thread_ = std::thread([this] {
        leaveInterruptsToTheMainThread();
        std::unique_lock lock(mutex_);
        while (!wake_.wait_for(lock, std::chrono::milliseconds(250), [this] { return done_; })) {
            draw();
        }
    });
}

ProgressLine::~ProgressLine() {
    {
        const std::lock_guard lock(mutex_);
        done_ = true;
    }
    wake_.notify_all();
    thread_.join();
    // The line as it ends, however short the run, before it is cleared: a
    // sweep shorter than one redraw still shows what it did.
    draw();
    out_ << "\r\033[K" << std::flush;
}

void ProgressLine::skip(const SweepCell& cell) {
    const std::lock_guard lock(mutex_);
    counted_[static_cast<std::size_t>(cell.index)] = false;
}

void ProgressLine::draw() {
    const std::int32_t cellsDone = progress_.cellsDone.load(std::memory_order_relaxed);
    const std::uint64_t formulas = progress_.formulasDone.load(std::memory_order_relaxed);
    // Cells are decided in order, so the work done is the first counted
    // cells plus the part of the next one decided so far.
    double total = 0;
    double done = 0;
    std::int32_t cellsTotal = 0;
    std::int32_t seen = 0;
    std::uint64_t formulasBefore = 0;
    for (std::size_t c = 0; c < weights_.size(); ++c) {
        if (!counted_[c]) {
            continue;
        }
        const double weight = weights_[c] * trials_;
        total += weight;
        ++cellsTotal;
        if (seen < cellsDone) {
            done += weight;
            formulasBefore += static_cast<std::uint64_t>(trials_);
        } else if (seen == cellsDone && formulas > formulasBefore) {
            done +=
                weights_[c] * static_cast<double>(std::min<std::uint64_t>(
                                  formulas - formulasBefore, static_cast<std::uint64_t>(trials_)));
        }
        ++seen;
    }
    const std::chrono::duration<double> elapsed = std::chrono::steady_clock::now() - start_;
    out_ << "\r\033[Ksweep: " << cellsDone << " of " << cellsTotal << " cells, " << formulas
         << " formulas decided, " << clock(elapsed.count()) << " elapsed";
    // An estimate beyond a century says only that the weights went wrong.
    const double left = done > 0 ? elapsed.count() * (total - done) / done : -1;
    if (left >= 0 && left < 3.2e9) {
        out_ << ", about " << clock(left) << " left";
    }
    out_ << std::flush;
}

}  // namespace satphase
