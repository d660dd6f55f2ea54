#include "sweep/sweep_runner.h"

#include <algorithm>
#include <cassert>
#include <chrono>

#include "platform/interrupt.h"
#include "sweep/verdict_check.h"

namespace satphase {

namespace {

std::int32_t largest(std::span<const SweepCell> cells, std::int32_t SweepCell::*field) {
    std::int32_t most = 1;
    for (const SweepCell& cell : cells) {
        most = std::max(most, cell.*field);
    }
    return most;
}

}  // namespace

SweepRunner::SweepRunner(const SweepDefinition& definition, std::span<const SweepCell> cells,
                         std::int32_t jobs)
    : definition_(definition),
      cells_(cells.begin(), cells.end()),
      trials_(definition.trials),
      source_(largest(cells, &SweepCell::vars), largest(cells, &SweepCell::clauses),
              definition.kind.model) {
    const std::int32_t trials = trials_;
    const std::int32_t maxVars = largest(cells, &SweepCell::vars);
    const std::int32_t maxClauses = largest(cells, &SweepCell::clauses);
    const std::int32_t threads = jobs > 1 ? jobs : 0;
    // Enough formulas drawn ahead to keep every thread busy, within a few
    // tens of megabytes of formulas.
    const std::int32_t slots =
        threads > 0 ? std::clamp(1'000'000 / maxClauses, 2 * threads, 16 * threads) : 1;
    slots_.resize(static_cast<std::size_t>(slots));
    for (Formula& formula : slots_) {
        formula.clauses.reserve(static_cast<std::size_t>(maxClauses));
    }
    slotBusy_.assign(static_cast<std::size_t>(slots), 0);
    results_.resize(static_cast<std::size_t>(trials));
    solverResults_.resize(static_cast<std::size_t>(trials));
    sortedSteps_.reserve(static_cast<std::size_t>(trials));
    solvers_ = definition_.solvers;
    assert(!solvers_.empty() && (definition_.namesSolvers || solvers_.size() == 1));
    summaries_.resize(solvers_.size());
    solverSeconds_.resize(solvers_.size());
    for (std::int32_t e = 0; e < std::max(threads, 1); ++e) {
        engines_.push_back(std::make_unique<FormulaDecider>(maxVars, maxClauses, solvers_,
                                                            definition_.localSearch));
        if (definition_.measures.any()) {
            measurers_.push_back(std::make_unique<FormulaMeasurer>(maxVars, maxClauses,
                                                                   definition_.measures.backbone,
                                                                   definition_.measures.solutions));
        }
    }
    measuresSplit_.resize(static_cast<std::size_t>(trials));
    measureScratch_.reserve(static_cast<std::size_t>(trials));
    engineSeconds_.resize(engines_.size());
    for (std::int32_t t = 0; t < threads; ++t) {
        threads_.emplace_back([this, t] {
            leaveInterruptsToTheMainThread();
            work(static_cast<std::size_t>(t));
        });
    }
}

SweepRunner::~SweepRunner() {
    {
        const std::lock_guard lock(mutex_);
        quit_ = true;
    }
    drawn_.notify_all();
    for (std::thread& thread : threads_) {
        thread.join();
    }
}

bool SweepRunner::draw(const SweepCell& cell, std::int32_t trial, RandomStream& stream,
                       Formula& formula) {
    results_[static_cast<std::size_t>(trial)].startState = stream.state();
    return drawFormula(definition_, cell, cell.clauses, source_, stream, formula);
}

void SweepRunner::decide(std::size_t engine, std::int32_t trial, const Formula& formula) {
    const auto at = static_cast<std::size_t>(trial);
    std::array<SolverResult, kSolverCount>& verdicts = solverResults_[at];
    // A local search's stream is seeded by the formula's start state, which
    // names the formula whatever the thread, the shard or the cells before it.
    const auto seed = static_cast<std::uint64_t>(results_[at].startState);
    for (std::size_t i = 0; i < solvers_.size(); ++i) {
        const auto started = std::chrono::steady_clock::now();
        verdicts[i] = engines_[engine]->decide(solvers_[i], formula, stop_, seed);
        const std::chrono::duration<double> seconds = std::chrono::steady_clock::now() - started;
        engineSeconds_[engine][i] += seconds.count();
    }
    const std::span<const SolverResult> decided(verdicts.data(), solvers_.size());
    FormulaResult& result = results_[at];
    // The first complete solver's verdict: they must all agree, which the
    // cell's end checks.
    const auto complete = std::ranges::find_if(
        decided, [](const SolverResult& verdict) { return isComplete(verdict.kind); });
    result.satisfiable = complete != decided.end() && complete->satisfiable;
    result.propagations = 0;
    result.lookaheads = 0;
    for (std::size_t i = 0; i < decided.size(); ++i) {
        result.costs[i] = decided[i].cost;
        result.solved[i] = decided[i].decided && decided[i].satisfiable;
        result.propagations += decided[i].propagations;  // dpll's alone are not zero
        result.lookaheads += decided[i].lookaheads;      // lookahead's alone are not zero
    }
    if (!measurers_.empty()) {
        const FormulaMeasurer::Outcome measured = measurers_[engine]->measure(formula, stop_);
        result.measuredSatisfiable = measured.satisfiable;
        result.backbone = measured.backbone;
        result.solutions = measured.solutions;
        measuresSplit_[at] = measured.split ? 1 : 0;
    }
    progress_->formulasDone.fetch_add(1, std::memory_order_relaxed);
}

void SweepRunner::work(std::size_t engine) {
    const auto slots = static_cast<std::int32_t>(slots_.size());
    std::unique_lock lock(mutex_);
    for (;;) {
        drawn_.wait(lock, [this] { return quit_ || claimedCount_ < drawnCount_; });
        if (quit_) {
            return;
        }
        const std::int32_t trial = claimedCount_++;
        const auto slot = static_cast<std::size_t>(trial % slots);
        lock.unlock();
        decide(engine, trial, slots_[slot]);
        lock.lock();
        slotBusy_[slot] = 0;
        ++decidedCount_;
        decided_.notify_all();
    }
}

bool SweepRunner::runCell(const SweepCell& cell, RandomStream& stream) {
    const auto stopped = [this] { return stop_->load(std::memory_order_relaxed); };
    for (std::array<double, kSolverCount>& seconds : engineSeconds_) {
        seconds.fill(0);
    }
    if (threads_.empty()) {
        for (std::int32_t trial = 0; trial < trials_ && !stopped(); ++trial) {
            if (!draw(cell, trial, stream, slots_[0])) {
                return false;
            }
            decide(0, trial, slots_[0]);
        }
        return true;
    }
    const auto slots = static_cast<std::int32_t>(slots_.size());
    {
        const std::lock_guard lock(mutex_);
        drawnCount_ = claimedCount_ = decidedCount_ = 0;
    }
    bool complete = true;
    for (std::int32_t trial = 0; trial < trials_ && complete && !stopped(); ++trial) {
        const auto slot = static_cast<std::size_t>(trial % slots);
        {
            std::unique_lock lock(mutex_);
            decided_.wait(lock, [&] { return slotBusy_[slot] == 0; });
        }
        // The slot is this thread's until it is handed over below.
        complete = draw(cell, trial, stream, slots_[slot]);
        if (complete) {
            const std::lock_guard lock(mutex_);
            slotBusy_[slot] = 1;
            ++drawnCount_;
        }
        drawn_.notify_one();
    }
    std::unique_lock lock(mutex_);
    decided_.wait(lock, [&] { return decidedCount_ == drawnCount_; });
    return complete;
}

SweepRunner::Outcome SweepRunner::run(std::int32_t seed, const Hooks& hooks,
                                      const std::atomic<bool>& stop, SweepProgress& progress) {
    stop_ = &stop;
    progress_ = &progress;
    RandomStream stream(seed);
    for (const SweepCell& cell : cells_) {
        const std::int32_t startState = stream.state();
        const auto started = std::chrono::steady_clock::now();
        if (hooks.decides && !hooks.decides(cell)) {
            for (std::int32_t trial = 0; trial < trials_; ++trial) {
                if (stop.load(std::memory_order_relaxed)) {
                    return Outcome::Interrupted;
                }
                if (!draw(cell, trial, stream, slots_[0])) {
                    failedCell_ = cell.index;
                    return Outcome::GenerationFailed;
                }
            }
            if (stop.load(std::memory_order_relaxed)) {
                return Outcome::Interrupted;
            }
            if (hooks.skipped && !hooks.skipped(cell, startState)) {
                return Outcome::Refused;
            }
            continue;
        }
        if (!runCell(cell, stream)) {
            failedCell_ = cell.index;
            return Outcome::GenerationFailed;
        }
        if (stop.load(std::memory_order_relaxed)) {
            return Outcome::Interrupted;
        }
        if (auto fault = verdictFault(definition_, results_, solverResults_, measuresSplit_)) {
            failedCell_ = cell.index;
            failedTrial_ = fault->trial;
            failedStartState_ = results_[static_cast<std::size_t>(fault->trial)].startState;
            if (fault->kind == VerdictFault::Kind::PlantedUnsatisfiable) {
                return Outcome::PlantedUnsatisfiable;
            }
            disagreement_ = "cell " + std::to_string(cell.index) + " trial " +
                            std::to_string(fault->trial) + " (start state " +
                            std::to_string(failedStartState_) + "): " + fault->what;
            return Outcome::Disagreed;
        }
        for (std::size_t i = 0; i < solvers_.size(); ++i) {
            summaries_[i] = summarise(results_, sortedSteps_, i, isComplete(solvers_[i]));
            solverSeconds_[i] = 0;
            for (const std::array<double, kSolverCount>& seconds : engineSeconds_) {
                solverSeconds_[i] += seconds[i];
            }
        }
        if (!measurers_.empty()) {
            const CellMeasures measures = summariseMeasures(results_, cell.vars, measureScratch_);
            for (CellSummary& summary : summaries_) {
                summary.measures = measures;
            }
        }
        const std::chrono::duration<double> seconds = std::chrono::steady_clock::now() - started;
        hooks.finished(
            FinishedCell{cell, startState, seconds.count(), results_, summaries_, solverSeconds_});
        progress.cellsDone.fetch_add(1, std::memory_order_relaxed);
        if (hooks.halted && hooks.halted()) {
            return Outcome::Halted;
        }
    }
    return Outcome::Completed;
}

}  // namespace satphase
