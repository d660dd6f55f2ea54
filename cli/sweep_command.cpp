#include "cli/sweep_command.h"

#include <algorithm>
#include <iostream>
#include <optional>
#include <string>
#include <thread>

#include "cli/local_search_options.h"
#include "cli/model_options.h"
#include "cli/progress_line.h"
#include "platform/error_report.h"
#include "platform/interrupt.h"
#include "platform/terminal.h"
#include "solver/solver_kind.h"
#include "sweep/sweep.h"
#include "sweep/sweep_plan.h"

namespace satphase {

namespace {

constexpr ErrorReport kReport("sweep");

}  // namespace

std::optional<std::string> readSweepRequest(const SweepOptions& options, SweepRequest& request) {
    SweepDefinition& definition = request.definition;
    // Counted first: a list of ranges can stand for more values than memory holds.
    if (const auto cells = cellCount(options.vars, options.ratios); !cells || *cells > kMaxCells) {
        const std::string limit = std::to_string(kMaxCells);
        return cells
                   ? std::to_string(*cells) + " cells (sizes x ratios) is more than the " + limit +
                         " a sweep may have"
                   : "the sizes and ratios make more cells than the " + limit + " a sweep may have";
    }
    if (!options.solvers.empty()) {
        if (auto problem = parseSolverList(options.solvers, definition.solvers)) {
            return "--solver " + options.solvers + ": " + *problem;
        }
        definition.namesSolvers = true;
    }
    definition.kind.model = options.model;
    // Local searches alone take larger formulas; with a complete solver beside
    // them, its limits hold, and the refusal says why.
    const FormulaLimits limits = formulaLimits(definition);
    if (auto problem = parseSizes(options.vars, definition.vars, limits.vars)) {
        const bool overLimit = problem->find(" variables is outside") != std::string::npos;
        return "--vars " + options.vars + ": " + *problem +
               (overLimit && searchesFormulas(definition) && limits == kDecidedLimits
                    ? " (the limit of " +
                          std::string(definition.kind.model == FormulaModel::Classic
                                          ? "the classic model"
                                          : "the complete solvers") +
                          "; probsat and walksat alone take up to " +
                          std::to_string(kSearchedLimits.vars) + " variables of the other models)"
                    : " (a list such as 10,20,30 or a range first:last:step)");
    }
    if (auto problem = parseRatios(options.ratios, definition.ratios)) {
        return "--ratios " + options.ratios + ": " + *problem +
               " (a list such as 4,4.5,5 or a range first:last:step such as 3.8:4.8:0.1)";
    }
    if (auto problem = readLocalSearchOptions(options.localSearch, definition.solvers, options.k,
                                              definition.localSearch)) {
        return problem;
    }
    if (!options.measures.empty()) {
        if (auto problem = parseMeasureList(options.measures, definition.measures)) {
            return "--measure " + options.measures + ": " + *problem;
        }
    }
    definition.trials = options.trials;
    definition.seed = options.seed;
    definition.perFormula = options.perFormula;
    if (const auto problem = widthProblem({options.model, options.k});
        problem && options.model == FormulaModel::Classic) {
        return "--model classic --k " + std::to_string(options.k) + ": " + std::string(*problem) +
               "; give --model uniform, planted or 2-hidden for clauses of " +
               std::to_string(options.k);
    }
    if (auto problem = readModelOptions(options.model, options.k, options.p, definition.kind)) {
        return problem;
    }
    request.output.format = options.format;
    request.output.path = options.output;
    request.resume = options.resume;
    request.check = options.check;
    request.jobs =
        options.jobs > 0
            ? options.jobs
            : static_cast<std::int32_t>(std::max(1U, std::thread::hardware_concurrency()));
    if (options.progress && options.quiet) {
        return "--progress and --quiet exclude each other";
    }
    if (!options.shard.empty()) {
        request.output.shard = parseShard(options.shard);
        if (!request.output.shard) {
            return "--shard " + options.shard + ": not I/K with 1 <= I <= K <= 100000";
        }
    }
    if (auto problem = requestProblem(request)) {
        return problem;
    }
    return definitionProblem(definition);
}

namespace {

// The progress line while cells are decided, when it is shown at all.
class ProgressObserver : public SweepObserver {
  public:
    ProgressObserver(bool show, std::int32_t trials, bool linearCost)
        : show_(show), trials_(trials), linearCost_(linearCost) {}

    void deciding(const CellSelection& selection, std::int32_t keptCells,
                  const SweepProgress& progress) override {
        if (!show_) {
            return;
        }
        line_.emplace(selection.cells, trials_, progress, std::cerr, linearCost_);
        for (const SweepCell& cell : selection.cells) {
            const std::int32_t place = selection.placeOf[static_cast<std::size_t>(cell.index)];
            if (place == -1 || place < keptCells) {
                line_->skip(cell);
            }
        }
    }

    // Cleared before the last rows are written.
    void decided() override { line_.reset(); }

  private:
    bool show_;
    std::int32_t trials_;
    bool linearCost_;
    std::optional<ProgressLine> line_;
};

}  // namespace

// The options read into a request, the sweep run, and its end said: the
// status and one line on standard error for anything but success.
int runSweepCommand(const SweepOptions& options) {
    SweepRequest request;
    if (auto problem = readSweepRequest(options, request)) {
        return kReport.fail(2, *problem);
    }
    catchInterrupts();
    ProgressObserver observer(options.progress || (!options.quiet && standardErrorIsTerminal()),
                              request.definition.trials, !decidesFormulas(request.definition));
    const SweepReport report = runSweep(request, observer, interruptRequested());
    if (!report.failure) {
        // A check computes nothing: complete, or not (yet).
        return request.check && !report.complete ? 3 : 0;
    }
    const SweepFailureMessage said = sweepFailureMessage(options, request, report);
    return kReport.fail(said.status, said.message);
}

SweepFailureMessage sweepFailureMessage(const SweepOptions& options, const SweepRequest& request,
                                        const SweepReport& report) {
    const SweepFailure& failure = *report.failure;
    const std::string where = options.output.empty() ? "standard output" : options.output;
    const std::string kept = std::to_string(report.cellsWritten) + " of " +
                             std::to_string(report.cellsSelected) + " cells kept in " + where;
    switch (failure.kind) {
        case SweepFailure::Kind::OutputRefused:
            return {2, failure.what};
        case SweepFailure::Kind::OutputFailed:
            return {1, failure.what};
        case SweepFailure::Kind::Interrupted:
            if (!failure.what.empty()) {
                return {130, "interrupted (" + failure.what + ")"};
            }
            return {130, "interrupted; " + kept +
                             (options.output.empty() ? "" : " (continue with --resume)")};
        case SweepFailure::Kind::GenerationFailed:
            return {1,
                    "cell " + std::to_string(failure.cell) +
                        " cannot be drawn: a formula of it would need a clause distinct from all "
                        "the others, and none is left; ask for fewer clauses"};
        case SweepFailure::Kind::Disagreed:
            return {1, "the solvers disagree on " + failure.what + "; stopped, " + kept};
        case SweepFailure::Kind::PlantedUnsatisfiable: {
            const SweepCell cell =
                cellsOf(request.definition)[static_cast<std::size_t>(failure.cell)];
            return {1,
                    "cell " + std::to_string(cell.index) + " (" + std::to_string(cell.vars) +
                        " variables, ratio " + ratioText(cell.ratio) + "), trial " +
                        std::to_string(failure.trial) + " (start state " +
                        std::to_string(failure.startState) + "): the search called a " +
                        std::string(modelName(request.definition.kind.model)) +
                        " formula unsatisfiable, but its hidden assignment satisfies it (a bug); " +
                        kept};
        }
    }
    return {1, "failed"};
}

}  // namespace satphase