#pragma once

#include <atomic>
#include <cstdint>
#include <optional>
#include <string>

#include "sweep/record_format.h"
#include "sweep/resume.h"
#include "sweep/sweep_plan.h"
#include "sweep/sweep_runner.h"

namespace satphase {

// One sweep as asked for: what to compute, where it goes, and how.
struct SweepRequest {
    SweepDefinition definition;
    OutputSpec output;
    bool resume = false;  // continue the records already in output.path
    bool check = false;   // compute nothing: see whether output.path is complete
    std::int32_t jobs = 1;
};

// Why a sweep did not complete, with the cell, trial and start state where
// they are known. `what` is, for the output kinds, the whole message (naming
// the file and the system's reason); for Interrupted, the file operation the
// stop cut short, or empty when it came while cells were being decided; for
// Disagreed, the formula and what is wrong with its verdicts.
struct SweepFailure {
    enum class Kind {
        OutputRefused,         // the output file is another's, in use, or another sweep's
        OutputFailed,          // the system would not open, read or write it
        Interrupted,           // `stop` was raised, or a write was cut short by it
        GenerationFailed,      // a formula of `cell` could not be drawn
        Disagreed,             // the solvers' verdicts differ, or a model is wrong
        PlantedUnsatisfiable,  // a formula its hidden assignment satisfies called unsatisfiable
    };
    Kind kind = Kind::OutputFailed;
    std::int32_t cell = -1;
    std::int32_t trial = -1;
    std::int32_t startState = 0;
    std::string what;
};

// How a sweep ended: the cells this run writes (all, or a shard's), how many
// of them the output holds complete now, and the failure if there was one.
// For a check, `complete` says whether every record is there.
struct SweepReport {
    std::int32_t cellsSelected = 0;
    std::int32_t cellsWritten = 0;
    bool complete = false;
    std::optional<SweepFailure> failure;
};

// What a caller sees of a running sweep. The calls come on the thread that
// called runSweep(); the default does nothing.
class SweepObserver {
  public:
    virtual ~SweepObserver() = default;
    // The cells are about to be decided: those of `selection` that are
    // neither another shard's nor among the `keptCells` of an earlier run.
    // `progress` is updated as the sweep goes, from then until decided().
    virtual void deciding(const CellSelection& selection, std::int32_t keptCells,
                          const SweepProgress& progress) {
        static_cast<void>(selection), static_cast<void>(keptCells), static_cast<void>(progress);
    }
    // A cell decided and written, in cell order.
    virtual void finished(const FinishedCell& cell) { static_cast<void>(cell); }
    // Deciding is over, however it ended; the last rows are written after this.
    virtual void decided() {}
};

// Runs the sweep of `request`: checks the output (a file is locked, another's
// never replaced, and with `resume` cut back to its complete cells), writes
// the records as the cells finish, and stops within moments once `stop` is
// raised, keeping every finished cell. Every problem the request holds itself
// (sizes, ratios, limits, option combinations) must have been refused before:
// definitionProblem() and requestProblem().
SweepReport runSweep(const SweepRequest& request, SweepObserver& observer,
                     const std::atomic<bool>& stop);

// Why the request's options do not go together, or nothing: the definition
// itself aside, which definitionProblem() checks.
std::optional<std::string> requestProblem(const SweepRequest& request);

}  // namespace satphase
