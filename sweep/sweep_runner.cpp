#include "sweep/sweep_runner.h"

#include <algorithm>
#include <chrono>

namespace {

std::int32_t largest(std::span<const SweepCell> cells, std::int32_t SweepCell::*field) {
    std::int32_t most = 1;
    for (const SweepCell& cell : cells) {
        most = std::max(most, cell.*field);
    }
    return most;
}

}  // namespace

SweepRunner::SweepRunner(std::span<const SweepCell> cells, std::int32_t trials, Options options)
    : cells_(cells.begin(), cells.end()),
      options_(options),
      trials_(trials),
      generator_(largest(cells, &SweepCell::vars), largest(cells, &SweepCell::clauses)) {
    const std::int32_t maxVars = largest(cells, &SweepCell::vars);
    const std::int32_t maxClauses = largest(cells, &SweepCell::clauses);
    const std::int32_t threads = options_.jobs > 1 ? options_.jobs : 0;
    // Enough formulas per batch to keep every thread busy between two
    // hand-overs, within a few tens of megabytes of formulas.
    batchSize_ = options_.jobs > 1 ? std::clamp(1'000'000 / maxClauses, 1, 16 * options_.jobs) : 1;
    for (Batch& batch : batches_) {
        batch.formulas.resize(static_cast<std::size_t>(batchSize_));
        for (CnfFormula& formula : batch.formulas) {
            formula.clauses.reserve(static_cast<std::size_t>(maxClauses));
        }
    }
    results_.resize(static_cast<std::size_t>(trials));
    sortedSteps_.reserve(static_cast<std::size_t>(trials));
    for (std::int32_t e = 0; e < std::max(threads, 1); ++e) {
        engines_.push_back(std::make_unique<TrailSearch>(maxVars, maxClauses));
    }
    for (std::int32_t t = 0; t < threads; ++t) {
        threads_.emplace_back([this, t] { work(static_cast<std::size_t>(t)); });
    }
}

SweepRunner::~SweepRunner() {
    {
        const std::lock_guard lock(mutex_);
        quit_ = true;
    }
    work_.notify_all();
    for (std::thread& thread : threads_) {
        thread.join();
    }
}

std::int32_t SweepRunner::clausesOf(const SweepCell& cell) const {
    return options_.clauseCap > 0 ? std::min(cell.clauses, options_.clauseCap) : cell.clauses;
}

bool SweepRunner::drawBatch(const SweepCell& cell, std::int32_t firstTrial, RandomStream& stream,
                            Batch& batch) {
    batch.firstTrial = firstTrial;
    batch.count = std::min(batchSize_, trials_ - firstTrial);
    for (std::int32_t i = 0; i < batch.count; ++i) {
        results_[static_cast<std::size_t>(firstTrial) + static_cast<std::size_t>(i)].startState =
            stream.state();
        if (!generator_.generate(cell.vars, clausesOf(cell), stream,
                                 batch.formulas[static_cast<std::size_t>(i)])) {
            return false;
        }
    }
    return true;
}

void SweepRunner::decideBatchHere(Batch& batch) {
    for (std::int32_t i = 0; i < batch.count; ++i) {
        const TrailSearch::Outcome outcome =
            engines_[0]->decide(batch.formulas[static_cast<std::size_t>(i)], stop_);
        FormulaResult& result =
            results_[static_cast<std::size_t>(batch.firstTrial) + static_cast<std::size_t>(i)];
        result.satisfiable = outcome.satisfiable;
        result.steps = outcome.steps;
        progress_->formulasDone.fetch_add(1, std::memory_order_relaxed);
    }
}

void SweepRunner::work(std::size_t engine) {
    std::unique_lock lock(mutex_);
    for (;;) {
        work_.wait(lock,
                   [this] { return quit_ || (current_ != nullptr && next_ < current_->count); });
        if (quit_) {
            return;
        }
        Batch& batch = *current_;
        const std::int32_t i = next_++;
        lock.unlock();
        const TrailSearch::Outcome outcome =
            engines_[engine]->decide(batch.formulas[static_cast<std::size_t>(i)], stop_);
        FormulaResult& result =
            results_[static_cast<std::size_t>(batch.firstTrial) + static_cast<std::size_t>(i)];
        result.satisfiable = outcome.satisfiable;
        result.steps = outcome.steps;
        progress_->formulasDone.fetch_add(1, std::memory_order_relaxed);
        lock.lock();
        if (++finished_ == batch.count) {
            done_.notify_all();
        }
    }
}

void SweepRunner::waitForBatch() {
    std::unique_lock lock(mutex_);
    done_.wait(lock, [this] { return current_ == nullptr || finished_ == current_->count; });
    current_ = nullptr;
}

void SweepRunner::publish(Batch& batch) {
    {
        const std::lock_guard lock(mutex_);
        current_ = &batch;
        next_ = 0;
        finished_ = 0;
    }
    work_.notify_all();
}

SweepRunner::Outcome SweepRunner::run(std::int32_t seed, const Hooks& hooks,
                                      const std::atomic<bool>& stop, SweepProgress& progress) {
    stop_ = &stop;
    progress_ = &progress;
    const bool threaded = !threads_.empty();
    const auto stopped = [&] { return stop.load(std::memory_order_relaxed); };
    RandomStream stream(seed);
    for (const SweepCell& cell : cells_) {
        const std::int32_t startState = stream.state();
        const auto started = std::chrono::steady_clock::now();
        if (hooks.decides && !hooks.decides(cell)) {
            for (std::int32_t first = 0; first < trials_; first += batchSize_) {
                if (!drawBatch(cell, first, stream, batches_[0])) {
                    failedCell_ = cell.index;
                    return Outcome::GenerationFailed;
                }
                if (stopped()) {
                    return Outcome::Interrupted;
                }
            }
            if (hooks.skipped && !hooks.skipped(cell, startState)) {
                return Outcome::Refused;
            }
            continue;
        }
        // While the deciding threads work on one batch, the next is drawn
        // into the other buffer.
        std::int32_t drawn = 0;
        for (std::int32_t first = 0; first < trials_; first += batchSize_, ++drawn) {
            Batch& batch = batches_[drawn % 2];
            const bool complete = drawBatch(cell, first, stream, batch);
            if (threaded) {
                waitForBatch();
            }
            if (!complete) {
                failedCell_ = cell.index;
                return Outcome::GenerationFailed;
            }
            if (stopped()) {
                return Outcome::Interrupted;
            }
            if (threaded) {
                publish(batch);
            } else {
                decideBatchHere(batch);
            }
        }
        if (threaded) {
            waitForBatch();
        }
        if (stopped()) {
            return Outcome::Interrupted;
        }
        const CellSummary summary = summarise(results_, sortedSteps_);
        const std::chrono::duration<double> seconds = std::chrono::steady_clock::now() - started;
        hooks.finished(FinishedCell{cell, startState, summary, seconds.count(), results_});
        progress.cellsDone.fetch_add(1, std::memory_order_relaxed);
    }
    return Outcome::Completed;
}
