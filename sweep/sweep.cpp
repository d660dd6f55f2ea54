#include "sweep/sweep.h"

#include <utility>
#include <variant>

#include "sweep/result_writer.h"

namespace satphase {

namespace {

SweepFailure failureOf(SweepFailure::Kind kind, std::string what = {}) {
    SweepFailure failure;
    failure.kind = kind;
    failure.what = std::move(what);
    return failure;
}

// A failure the runner places: the cell, and for a verdict the trial and
// its start state.
SweepFailure failureAt(SweepFailure::Kind kind, const SweepRunner& runner) {
    SweepFailure failure = failureOf(kind);
    failure.cell = runner.failedCell();
    if (kind == SweepFailure::Kind::PlantedUnsatisfiable) {
        failure.trial = runner.failedTrial();
        failure.startState = runner.failedStartState();
    }
    return failure;
}

// A problem of the output file; an open or read that the stop cut short is
// the interruption it is.
SweepFailure outputFailure(const KeptProblem& problem, const std::atomic<bool>& stop) {
    if (stop.load()) {
        return failureOf(SweepFailure::Kind::Interrupted, problem.message);
    }
    return failureOf(
        problem.status == 2 ? SweepFailure::Kind::OutputRefused : SweepFailure::Kind::OutputFailed,
        problem.message);
}

// The runner's end as the report's failure, or nothing when it completed.
// A write that the stop cut short failed because of the stop.
std::optional<SweepFailure> endOf(SweepRunner::Outcome outcome, const SweepRunner& runner,
                                  const SweepResultWriter& results, const std::string& where,
                                  const std::atomic<bool>& stop) {
    using Kind = SweepFailure::Kind;
    switch (outcome) {
        case SweepRunner::Outcome::Completed:
            return std::nullopt;
        case SweepRunner::Outcome::Halted:
        case SweepRunner::Outcome::Refused:
            if (stop.load()) {
                return failureOf(Kind::Interrupted);
            }
            return failureOf(Kind::OutputFailed, "cannot write the results to " + where + ": " +
                                                     results.failure().value_or("write failed"));
        case SweepRunner::Outcome::Interrupted:
            return failureOf(Kind::Interrupted);
        case SweepRunner::Outcome::GenerationFailed:
            return failureAt(Kind::GenerationFailed, runner);
        case SweepRunner::Outcome::Disagreed:
            return failureOf(Kind::Disagreed, runner.disagreement());
        case SweepRunner::Outcome::PlantedUnsatisfiable:
            return failureAt(Kind::PlantedUnsatisfiable, runner);
    }
    return failureOf(Kind::OutputFailed, "the sweep ended in an unknown way");
}

}  // namespace

std::optional<std::string> requestProblem(const SweepRequest& request) {
    const OutputSpec& output = request.output;
    const bool table = output.format == OutputFormat::Table;
    if (table && request.definition.perFormula) {
        return "--per-formula needs --format csv or jsonl; a table has one row per cell";
    }
    if (request.resume && (output.path.empty() || table)) {
        return "--resume continues the CSV or JSON Lines file named by --output; "
               "give --output FILE and --format csv or jsonl";
    }
    if (request.check && (output.path.empty() || table)) {
        return "--check reads the CSV or JSON Lines file named by --output; "
               "give --output FILE and --format csv or jsonl";
    }
    if (output.shard && output.format != OutputFormat::JsonLines) {
        return "--shard writes JSON Lines for satphase merge; give --format jsonl";
    }
    return std::nullopt;
}

// The output is prepared first (checked, locked, cut back for a resume),
// then the selected cells are run on `jobs` threads, each written as it
// finishes; a table's last rows are written once deciding is over.
SweepReport runSweep(const SweepRequest& request, SweepObserver& observer,
                     const std::atomic<bool>& stop) {
    SweepDefinition definition = request.definition;
    const OutputSpec& output = request.output;
    SweepReport report;
    if (request.check) {
        auto verdict = checkOutput(output, definition, stop);
        if (auto* problem = std::get_if<KeptProblem>(&verdict)) {
            report.failure = outputFailure(*problem, stop);
        } else {
            report.complete = std::get<CheckVerdict>(verdict) == CheckVerdict::Complete;
        }
        return report;
    }
    const CellSelection selection = selectCells(definition, output.shard);
    report.cellsSelected = static_cast<std::int32_t>(selection.selected.size());

    KeptOutput kept;
    std::optional<LockedOutput> file;
    if (!output.path.empty()) {
        auto prepared = prepareOutput(output, definition, request.resume, selection, stop);
        if (auto* problem = std::get_if<KeptProblem>(&prepared)) {
            report.failure = outputFailure(*problem, stop);
            return report;
        }
        kept = std::get<PreparedOutput>(prepared).kept;
        file.emplace(std::move(std::get<PreparedOutput>(prepared).file));
        // A file continued goes on in its own layout; a new one is written
        // in the request's.
        if (kept.hasPreamble) {
            definition.recordsLookaheads = kept.recordsLookaheads;
        }
    }
    report.cellsWritten = kept.cells;
    const std::string where = output.path.empty() ? "standard output" : output.path;
    SweepResultWriter results(definition, output.format, selection, kept, std::move(file));
    if (!kept.hasPreamble) {
        if (auto problem = results.write(outputPreamble(output.format, definition, output.shard))) {
            report.failure = stop.load() ? failureOf(SweepFailure::Kind::Interrupted)
                                         : failureOf(SweepFailure::Kind::OutputFailed,
                                                     "cannot write " + where + ": " + *problem);
            return report;
        }
    }

    SweepRunner runner(definition, selection.cells, request.jobs);
    SweepProgress progress;
    observer.deciding(selection, kept.cells, progress);
    SweepRunner::Hooks hooks = results.hooks();
    hooks.finished = [&observer, written = hooks.finished](const FinishedCell& cell) {
        written(cell);
        observer.finished(cell);
    };
    const SweepRunner::Outcome outcome = runner.run(definition.seed, hooks, stop, progress);
    observer.decided();
    // A table holds a size's rows until its last cell: what a stopped sweep
    // finished is shown all the same.
    results.finish();
    report.cellsWritten = results.cellsWritten();
    report.failure = endOf(outcome, runner, results, where, stop);
    return report;
}

}  // namespace satphase
