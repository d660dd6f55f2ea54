#pragma once

#include <array>
#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <span>
#include <string>
#include <thread>
#include <vector>

#include "formula/formula.h"
#include "random/formula_source.h"
#include "solver/formula_measures.h"
#include "solver/solver_kind.h"
#include "sweep/cell_summary.h"
#include "sweep/formula_draw.h"
#include "sweep/record_format.h"
#include "sweep/sweep_plan.h"

namespace satphase {

// How far a running sweep has come; read by another thread for the progress line.
struct SweepProgress {
    std::atomic<std::int32_t> cellsDone{0};
    std::atomic<std::uint64_t> formulasDone{0};
};

// Runs the cells of a sweep: draws every formula from one stream in cell and
// trial order on the calling thread, and decides them on `jobs` threads (on
// the calling thread itself when jobs is 1). Whatever the number of jobs, the
// results are the same. A sweep with solvers has every formula decided by
// each of them in turn, on the same thread, and their verdicts compared.
//
// Every buffer, the search engines included, is sized at construction for the
// largest cell, so that running allocates nothing (CaDiCaL aside: it
// allocates inside its own search).
class SweepRunner {
  public:
    // The cells of `definition` (all of cellsOf, in order), each of its
    // trials, decided on `jobs` threads.
    SweepRunner(const SweepDefinition& definition, std::span<const SweepCell> cells,
                std::int32_t jobs);
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
        // A decided cell, in cell order.
        std::function<void(const FinishedCell&)> finished;
        // Asked after every finished cell: true ends the run (Outcome::Halted),
        // as when the cell could not be written.
        std::function<bool()> halted;
    };

    // Disagreed and PlantedUnsatisfiable: a decided cell's verdicts cannot
    // all be right (verdictFault says why). The cell is not handed to
    // `finished`: a fault of a search ends the run.
    enum class Outcome {
        Completed,
        Interrupted,
        GenerationFailed,
        Refused,
        Halted,
        Disagreed,
        PlantedUnsatisfiable
    };

    // Runs every cell from the stream state `seed`. A raised `stop` ends the
    // run within moments, without finishing the cell under way.
    Outcome run(std::int32_t seed, const Hooks& hooks, const std::atomic<bool>& stop,
                SweepProgress& progress);

    // After GenerationFailed: the cell whose formula could not be drawn.
    // After Disagreed and PlantedUnsatisfiable: the cell, and the trial that
    // shows the fault (verdictFault) with the stream's state at its start.
    std::int32_t failedCell() const { return failedCell_; }
    // After Disagreed: the formula and what is wrong with its verdicts.
    const std::string& disagreement() const { return disagreement_; }
    std::int32_t failedTrial() const { return failedTrial_; }
    std::int32_t failedStartState() const { return failedStartState_; }

  private:
    // Draws trial `trial` of `cell` into `formula`, noting its start state.
    bool draw(const SweepCell& cell, std::int32_t trial, RandomStream& stream, Formula& formula);
    // Decides the formula of `trial` with every solver on engine `engine`.
    void decide(std::size_t engine, std::int32_t trial, const Formula& formula);
    // Draws and decides the trials of one cell; false when a draw failed.
    bool runCell(const SweepCell& cell, RandomStream& stream);
    void work(std::size_t engine);

    SweepDefinition definition_;
    std::vector<SweepCell> cells_;
    std::int32_t trials_;
    FormulaSource source_;
    // The solvers, in order: the splitting search alone without --solver.
    std::vector<SolverKind> solvers_;
    std::vector<std::unique_ptr<FormulaDecider>> engines_;
    // Per engine, the measures' engines, when the sweep measures anything.
    std::vector<std::unique_ptr<FormulaMeasurer>> measurers_;
    // Per trial, whether the measures' own verdicts differed (their fault).
    std::vector<std::uint8_t> measuresSplit_;
    std::vector<double> measureScratch_;
    // Per engine, each solver's time on the cell under way.
    std::vector<std::array<double, kSolverCount>> engineSeconds_;
    // Formulas drawn and not yet decided: trial t waits in slot t mod the
    // number of slots, which is free again once its trial is decided.
    std::vector<Formula> slots_;
    std::vector<FormulaResult> results_;
    // Per trial, every solver's result, kept to compare them.
    std::vector<std::array<SolverResult, kSolverCount>> solverResults_;
    std::vector<CellSummary> summaries_;
    std::vector<double> solverSeconds_;
    std::vector<std::uint64_t> sortedSteps_;
    std::int32_t failedCell_ = -1;
    std::string disagreement_;
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

}  // namespace satphase
