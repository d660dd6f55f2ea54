#include "cli/sweep_command.h"

#include <algorithm>
#include <iostream>
#include <optional>
#include <string>
#include <thread>
#include <utility>
#include <variant>

#include "cli/progress_line.h"
#include "platform/error_report.h"
#include "platform/interrupt.h"
#include "platform/output_lock.h"
#include "platform/terminal.h"
#include "solver/solver_kind.h"
#include "sweep/record_format.h"
#include "sweep/result_writer.h"
#include "sweep/resume.h"
#include "sweep/sweep_plan.h"
#include "sweep/sweep_runner.h"

namespace satphase {

namespace {

constexpr ErrorReport kReport("sweep");

// A problem of the output file, with the status it carries; an open or
// read cut short by Ctrl-C or SIGTERM is the interruption it is.
int report(const KeptProblem& problem) {
    if (interruptRequested().load()) {
        return kReport.fail(130, "interrupted (" + problem.message + ")");
    }
    return kReport.fail(problem.status, problem.message);
}

// What the options ask for, checked: why they cannot be run, or nothing.
std::optional<std::string> readRequest(const SweepOptions& options, SweepDefinition& definition,
                                       std::optional<Shard>& shard) {
    // Counted first: a list of ranges can stand for more values than memory holds.
    if (const auto cells = cellCount(options.vars, options.ratios); !cells || *cells > kMaxCells) {
        const std::string limit = std::to_string(kMaxCells);
        return cells
                   ? std::to_string(*cells) + " cells (sizes x ratios) is more than the " + limit +
                         " a sweep may have"
                   : "the sizes and ratios make more cells than the " + limit + " a sweep may have";
    }
    if (auto problem = parseSizes(options.vars, definition.vars)) {
        return "--vars " + options.vars + ": " + *problem +
               " (a list such as 10,20,30 or a range first:last:step)";
    }
    if (auto problem = parseRatios(options.ratios, definition.ratios)) {
        return "--ratios " + options.ratios + ": " + *problem +
               " (a list such as 4,4.5,5 or a range first:last:step such as 3.8:4.8:0.1)";
    }
    if (!options.solvers.empty()) {
        if (auto problem = parseSolverList(options.solvers, definition.solvers)) {
            return "--solver " + options.solvers + ": " + *problem;
        }
        for (const SolverKind kind : definition.solvers) {
            if (auto problem = unavailability(kind)) {
                return "--solver " + options.solvers + ": " + *problem;
            }
        }
    }
    definition.trials = options.trials;
    definition.seed = options.seed;
    definition.perFormula = options.perFormula;
    definition.model = options.model;
    definition.k = options.k;
    if (definition.model == FormulaModel::Classic && definition.k != kClassicClauseWidth) {
        return "--model classic --k " + std::to_string(definition.k) +
               ": the classic model's clauses have 3 literals; give --model uniform, planted or "
               "2-hidden for clauses of " +
               std::to_string(definition.k);
    }
    const bool table = options.format == OutputFormat::Table;
    if (table && options.perFormula) {
        return "--per-formula needs --format csv or jsonl; a table has one row per cell";
    }
    if (options.resume && (options.output.empty() || table)) {
        return "--resume continues the CSV or JSON Lines file named by --output; "
               "give --output FILE and --format csv or jsonl";
    }
    if (options.check && (options.output.empty() || table)) {
        return "--check reads the CSV or JSON Lines file named by --output; "
               "give --output FILE and --format csv or jsonl";
    }
    if (options.progress && options.quiet) {
        return "--progress and --quiet exclude each other";
    }
    if (!options.shard.empty()) {
        shard = parseShard(options.shard);
        if (!shard) {
            return "--shard " + options.shard + ": not I/K with 1 <= I <= K <= 100000";
        }
        if (options.format != OutputFormat::JsonLines) {
            return "--shard writes JSON Lines for satphase merge; give --format jsonl";
        }
    }
    return definitionProblem(definition);
}

}  // namespace

// Checks the options, then either checks the output file (--check) or
// prepares it (locked, and cut back to the complete cells for --resume),
// runs the selected cells on --jobs threads and says how the run ended.
int runSweep(const SweepOptions& options) {
    SweepDefinition definition;
    std::optional<Shard> shard;
    if (auto problem = readRequest(options, definition, shard)) {
        return kReport.fail(2, *problem);
    }
    const OutputFormat format = options.format;
    catchInterrupts();
    if (options.check) {
        auto verdict = checkOutput(options.output, format, definition, shard, interruptRequested());
        if (auto* problem = std::get_if<KeptProblem>(&verdict)) {
            return report(*problem);
        }
        // Complete, or not (yet): the file's cells are checked, none computed.
        return std::get<CheckVerdict>(verdict) == CheckVerdict::Complete ? 0 : 3;
    }
    const CellSelection selection = selectCells(definition, shard);
    const std::string preamble = outputPreamble(format, definition, shard);

    KeptOutput kept;
    std::optional<LockedOutput> file;
    if (!options.output.empty()) {
        auto prepared = prepareOutput(options.output, options.resume, format, definition, shard,
                                      selection, interruptRequested());
        if (auto* problem = std::get_if<KeptProblem>(&prepared)) {
            return report(*problem);
        }
        kept = std::get<PreparedOutput>(prepared).kept;
        file.emplace(std::move(std::get<PreparedOutput>(prepared).file));
    }
    SweepResultWriter results(definition, format, selection, kept, std::move(file));
    const std::string where = options.output.empty() ? "standard output" : options.output;
    const auto keptIn = [&](std::int32_t written) {
        return std::to_string(written) + " of " + std::to_string(selection.selected.size()) +
               " cells kept in " + where;
    };
    if (!kept.hasPreamble) {
        if (auto problem = results.write(preamble)) {
            if (interruptRequested().load()) {
                return kReport.fail(130, "interrupted; " + keptIn(0));
            }
            return kReport.fail(1, "cannot write " + where + ": " + *problem);
        }
    }

    const std::int32_t jobs =
        options.jobs > 0
            ? options.jobs
            : static_cast<std::int32_t>(std::max(1U, std::thread::hardware_concurrency()));
    SweepRunner runner(definition, selection.cells, SweepRunner::Options{jobs, 0});

    const bool showProgress = options.progress || (!options.quiet && standardErrorIsTerminal());
    SweepProgress progress;
    std::optional<ProgressLine> progressLine;
    if (showProgress) {
        progressLine.emplace(selection.cells, definition.trials, progress, std::cerr);
        for (const SweepCell& cell : selection.cells) {
            const std::int32_t place = selection.placeOf[static_cast<std::size_t>(cell.index)];
            if (place == -1 || place < kept.cells) {
                progressLine->skip(cell);
            }
        }
    }

    const SweepRunner::Outcome outcome =
        runner.run(definition.seed, results.hooks(), interruptRequested(), progress);
    progressLine.reset();  // cleared before the last rows are written
    // A table holds a size's rows until its last cell: what a stopped sweep
    // finished is shown all the same.
    results.finish();
    const std::int32_t written = results.cellsWritten();
    // A write that a signal cut short failed because of the signal.
    const bool cutShort = outcome == SweepRunner::Outcome::Halted && interruptRequested().load();

    switch (cutShort ? SweepRunner::Outcome::Interrupted : outcome) {
        case SweepRunner::Outcome::Completed:
            return 0;
        case SweepRunner::Outcome::Halted:
        case SweepRunner::Outcome::Refused:
            return kReport.fail(1, "cannot write the results to " + where + ": " +
                                       results.failure().value_or("write failed"));
        case SweepRunner::Outcome::GenerationFailed:
            return kReport.fail(
                1, "cell " + std::to_string(runner.failedCell()) +
                       " cannot be drawn: a formula of it would need a clause distinct from all "
                       "the others, and none is left; ask for fewer clauses");
        case SweepRunner::Outcome::Disagreed:
            return kReport.fail(1, "the solvers disagree on " + runner.disagreement() +
                                       "; stopped, " + keptIn(written));
        case SweepRunner::Outcome::PlantedUnsatisfiable: {
            const SweepCell& cell = selection.cells[static_cast<std::size_t>(runner.failedCell())];
            return kReport.fail(
                1, "cell " + std::to_string(cell.index) + " (" + std::to_string(cell.vars) +
                       " variables, ratio " + ratioText(cell.ratio) + "), trial " +
                       std::to_string(runner.failedTrial()) + " (start state " +
                       std::to_string(runner.failedStartState()) + "): the search called a " +
                       std::string(modelName(definition.model)) +
                       " formula unsatisfiable, but its hidden assignment satisfies it (a bug); " +
                       keptIn(written));
        }
        case SweepRunner::Outcome::Interrupted:
            return kReport.fail(130,
                                "interrupted; " + keptIn(written) +
                                    (options.output.empty() ? "" : " (continue with --resume)"));
    }
    return 1;
}

}  // namespace satphase
