#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <span>
#include <thread>
#include <vector>

#include "formula/cnf_formula.h"
#include "random/formula_source.h"
#include "solver/trail_search.h"
#include "sweep/cell_summary.h"
#include "sweep/formula_draw.h"
#include "sweep/record_format.h"
#include "sweep/sweep_plan.h"

// How far a running sweep has come; read by another thread for the progress line.
struct SweepProgress {
    std::atomic<std::int32_t> cellsDone{0};
    std::atomic<std::uint64_t> formulasDone{0};
};

// Runs the cells of a sweep: draws every formula from one stream in cell and
// trial order on the calling thread, and decides them on `jobs` threads (on
// the calling thread itself when jobs is 1). Whatever the number of jobs, the
// results are the same.
//
// Every buffer, the search engines included, is sized at construction for the
// largest cell, so that running allocates nothing.
class SweepRunner {
  public:
    struct Options {
        std::int32_t jobs = 1;
        // When positive, no formula holds more clauses than this: the classic
        // report's formulas hold at most 319.
        std::int32_t clauseCap = 0;
    };

    // The cells of `definition` (all of cellsOf, in order), each of its trials.
    SweepRunner(const SweepDefinition& definition, std::span<const SweepCell> cells,
                Options options);
    // The same for a classic sweep of `trials` formulas per cell.
    SweepRunner(std::span<const SweepCell> cells, std::int32_t trials, Options options);
    ~SweepRunner();
    SweepRunner(const SweepRunner&) = delete;
    SweepRunner& operator=(const SweepRunner&) = delete;

    struct Hooks {
        // Whether a cell is to be decided; the others are only drawn, to
        // bring the stream to the cells after them. Every cell when empty.
        std::function<bool(const SweepCell&)> decides;
        // A cell drawn but not decided, with the stream's state at its start;
        // returning false ends the run (Outcome::Refused).
        std::function<bool(const SweepCell&, std::int32_t startState)> skipped;
        // The verdicts of a decided cell, before they are checked and
        // summarised: a seam for tests, which break a verdict on purpose to
        // see the sweep catch it. Nothing when empty.
        std::function<void(const SweepCell&, std::span<FormulaResult>)> decided;
        // A decided cell, in cell order.
        std::function<void(const FinishedCell&)> finished;
        // Asked after every finished cell: true ends the run (Outcome::Halted),
        // as when the cell could not be written.
        std::function<bool()> halted;
    };

    // PlantedUnsatisfiable: the search called a formula of a planted model
    // unsatisfiable, which its hidden assignment satisfies; the run ends
    // before that cell is finished, as a fault of the search.
    enum class Outcome {
        Completed,
        Interrupted,
        GenerationFailed,
        Refused,
        Halted,
        PlantedUnsatisfiable
    };

    // Runs every cell from the stream state `seed`. A raised `stop` ends the
    // run within moments, without finishing the cell under way.
    Outcome run(std::int32_t seed, const Hooks& hooks, const std::atomic<bool>& stop,
                SweepProgress& progress);

    // After GenerationFailed: the cell whose formula could not be drawn.
    // After PlantedUnsatisfiable: the cell, and the first trial of it called
    // unsatisfiable with the stream's state at that formula's start.
    std::int32_t failedCell() const { return failedCell_; }
    std::int32_t failedTrial() const { return failedTrial_; }
    std::int32_t failedStartState() const { return failedStartState_; }

  private:
    std::int32_t clausesOf(const SweepCell& cell) const;
    // Draws trial `trial` of `cell` into `formula`, noting its start state.
    bool draw(const SweepCell& cell, std::int32_t trial, RandomStream& stream, CnfFormula& formula);
    void record(std::int32_t trial, const TrailSearch::Outcome& outcome);
    // Draws and decides the trials of one cell; false when a draw failed.
    bool runCell(const SweepCell& cell, RandomStream& stream);
    // Whether a decided cell's verdicts are possible for the sweep's model;
    // notes the first that is not.
    bool verdictsHold(const SweepCell& cell);
    void work(std::size_t engine);

    SweepDefinition definition_;
    std::vector<SweepCell> cells_;
    Options options_;
    std::int32_t trials_;
    FormulaSource source_;
    std::vector<std::unique_ptr<TrailSearch>> engines_;
    // Formulas drawn and not yet decided: trial t waits in slot t mod the
    // number of slots, which is free again once its trial is decided.
    std::vector<CnfFormula> slots_;
    std::vector<FormulaResult> results_;
    std::vector<std::uint64_t> sortedSteps_;
    std::int32_t failedCell_ = -1;
    std::int32_t failedTrial_ = -1;
    std::int32_t failedStartState_ = 0;

    // Shared with the deciding threads, under mutex_.
    std::mutex mutex_;
    std::condition_variable drawn_;    // a formula waits to be decided, or it is time to quit
    std::condition_variable decided_;  // a formula has been decided
    std::vector<std::uint8_t> slotBusy_;
    std::int32_t drawnCount_ = 0;    // trials of the cell drawn so far
    std::int32_t claimedCount_ = 0;  // trials handed to a deciding thread
    std::int32_t decidedCount_ = 0;  // trials decided
    bool quit_ = false;
    const std::atomic<bool>* stop_ = nullptr;
    SweepProgress* progress_ = nullptr;
    std::vector<std::thread> threads_;
};
