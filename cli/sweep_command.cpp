#include "cli/sweep_command.h"

#include <cerrno>
#include <cstring>
#include <iostream>
#include <memory>
#include <optional>
#include <string>
#include <thread>

#include "cli/format_option.h"
#include "cli/progress_line.h"
#include "platform/interrupt.h"
#include "platform/output_lock.h"
#include "platform/terminal.h"
#include "solver/solver_kind.h"
#include "sweep/record_format.h"
#include "sweep/resume.h"
#include "sweep/sweep_plan.h"
#include "sweep/sweep_runner.h"

namespace {

struct SweepOptions {
    std::string vars = "10,20,30,40";
    std::string ratios = "2,3,4,4.5,5,6,7,8";
    std::int32_t trials = 301;
    std::int32_t seed = 64540;
    OutputFormat format = OutputFormat::Table;
    bool perFormula = false;
    std::string output;
    std::int32_t jobs = 0;
    bool progress = false;
    bool quiet = false;
    bool resume = false;
    std::string shard;
    bool check = false;
    std::string solvers;
    std::string model = "classic";
    std::int32_t k = kClassicClauseWidth;
};

int refuse(const std::string& problem) {
    std::cerr << "satphase sweep: " << problem << "\n";
    return 2;
}

int fail(const std::string& problem) {
    std::cerr << "satphase sweep: " << problem << "\n";
    return 1;
}

int report(const KeptProblem& problem) {
    std::cerr << "satphase sweep: " << problem.message << "\n";
    return problem.status;
}

// What the options ask for, checked: why they cannot be run, or nothing.
std::optional<std::string> readRequest(const SweepOptions& options, SweepDefinition& definition,
                                       std::optional<Shard>& shard) {
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
    // CLI11 has held the name to the models' names already.
    definition.model = parseModel(options.model).value_or(FormulaModel::Classic);
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

// Where the results go: standard output, or the locked --output file.
class ResultSink {
  public:
    explicit ResultSink(std::optional<LockedOutput> file) : file_(std::move(file)) {}

    // Writes `text` whole; the system's reason when it could not.
    std::optional<std::string> write(const std::string& text) {
        if (file_) {
            return file_->write(text);
        }
        std::cout.write(text.data(), static_cast<std::streamsize>(text.size()));
        std::cout.flush();
        if (!std::cout) {
            return std::string(errno != 0 ? std::strerror(errno) : "write failed");
        }
        return std::nullopt;
    }

  private:
    std::optional<LockedOutput> file_;
};

int runSweep(const SweepOptions& options) {
    SweepDefinition definition;
    std::optional<Shard> shard;
    if (auto problem = readRequest(options, definition, shard)) {
        return refuse(*problem);
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
    ResultSink sink(std::move(file));
    const std::string where = options.output.empty() ? "standard output" : options.output;
    if (!kept.hasPreamble) {
        if (auto problem = sink.write(preamble)) {
            return fail("cannot write " + where + ": " + *problem);
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

    std::int32_t written = kept.cells;
    std::optional<std::string> writeFailure;
    std::string text;
    CellTextWriter writer(format, definition);
    SweepRunner::Hooks hooks;
    // Cells of other shards, and kept cells, are only drawn.
    hooks.decides = [&](const SweepCell& cell) {
        return selection.placeOf[static_cast<std::size_t>(cell.index)] >= kept.cells;
    };
    // Results are written cell by cell, each cell's text in one piece, so
    // that an interrupted sweep leaves only whole records behind; the first
    // failed write ends the sweep.
    hooks.finished = [&](const FinishedCell& finished) {
        text.clear();
        writer.append(finished, text);
        writeFailure = sink.write(text);
        written += writeFailure ? 0 : 1;
    };
    hooks.halted = [&] { return writeFailure.has_value(); };
    const SweepRunner::Outcome outcome =
        runner.run(definition.seed, hooks, interruptRequested(), progress);
    progressLine.reset();
    // A table holds a size's rows until its last cell: what a stopped sweep
    // finished is shown all the same.
    text.clear();
    writer.flush(text);
    if (!text.empty() && !writeFailure) {
        writeFailure = sink.write(text);
    }

    switch (outcome) {
        case SweepRunner::Outcome::Completed:
            return 0;
        case SweepRunner::Outcome::Halted:
        case SweepRunner::Outcome::Refused:
            return fail("cannot write the results to " + where + ": " +
                        writeFailure.value_or("write failed"));
        case SweepRunner::Outcome::GenerationFailed:
            return fail("cell " + std::to_string(runner.failedCell()) +
                        " cannot be drawn: a formula of it would need a clause distinct from all "
                        "the others, and none is left; ask for fewer clauses");
        case SweepRunner::Outcome::Disagreed:
            return fail("the solvers disagree on " + runner.disagreement() + "; stopped, " +
                        std::to_string(written) + " of " +
                        std::to_string(selection.selected.size()) + " cells kept in " + where);
        case SweepRunner::Outcome::PlantedUnsatisfiable: {
            const SweepCell& cell = selection.cells[static_cast<std::size_t>(runner.failedCell())];
            std::cerr << "satphase sweep: cell " << cell.index << " (" << cell.vars
                      << " variables, ratio " << ratioText(cell.ratio) << "), trial "
                      << runner.failedTrial() << " (start state " << runner.failedStartState()
                      << "): the search called a " << modelName(definition.model)
                      << " formula unsatisfiable, but its hidden assignment satisfies it (a bug); "
                      << written << " of " << selection.selected.size() << " cells kept in "
                      << where << "\n";
            return 1;
        }
        case SweepRunner::Outcome::Interrupted:
            std::cerr << "satphase sweep: interrupted; " << written << " of "
                      << selection.selected.size() << " cells kept in " << where
                      << (options.output.empty() ? "" : " (continue with --resume)") << "\n";
            return 130;
    }
    return 1;
}

}  // namespace

Command addSweepCommand(CLI::App& parent) {
    auto options = std::make_shared<SweepOptions>();
    CLI::App* app = parent.add_subcommand(
        "sweep", "Runs the experiment over sizes, ratios, trials and seed of your choosing");
    app->footer(
        "A sweep has one cell per size and ratio: the sizes in the order given, each with\n"
        "every ratio in the order given. Each cell decides --trials random formulas of\n"
        "ratio x vars clauses (truncated). All formulas come from one random stream that\n"
        "starts at --seed, so the same options give the same results for any --jobs, and\n"
        "every record carries the stream's state at its start: rerun one cell alone with\n"
        "--vars, --ratios and --seed set to it. The table, CSV and JSON Lines formats and\n"
        "their columns are described in docs/sweep-output.md.\n"
        "\n"
        "--model and --k choose the formulas: the classic model (three literals, every\n"
        "variable placed, no clause repeated), or the uniform, planted or 2-hidden model\n"
        "with --k literals per clause (docs/models.md). A planted or 2-hidden formula\n"
        "called unsatisfiable is a bug: the sweep stops there with status 1.\n"
        "\n"
        "Results are written cell by cell. Ctrl-C stops within a second, keeps every\n"
        "finished cell and exits with status 130; --resume continues such a sweep.\n"
        "\n"
        "A sweep can be split: --shard I/K computes the cells whose index (from 0)\n"
        "leaves I-1 when divided by K, drawing but not deciding the formulas of the\n"
        "others, and writes them as JSON Lines; satphase merge joins the K files into\n"
        "exactly what the whole sweep writes.\n"
        "\n"
        "Only one program writes an --output file at a time: a second sweep given the\n"
        "same file is refused at once (status 2).\n"
        "\n"
        "With --solver LIST every formula is drawn once and decided by each solver\n"
        "listed: splitting (the splitting search, cost in steps), dpll (cost in\n"
        "branches) or cdcl (CaDiCaL, cost in conflicts). Their verdicts must agree: a\n"
        "disagreement stops the sweep with status 1, naming the cell, trial and start\n"
        "state, and keeps the finished cells. Without --solver the records are those\n"
        "of the splitting search alone, as they always were.\n"
        "\n"
        "Limits: 3 .. 1000 variables, 1 .. 100000 clauses per formula, 1 .. 1000000\n"
        "trials, seeds 1 .. 2147483646, at most 1000000 cells (sizes x ratios). The\n"
        "search's cost, about threefold per ten variables at the threshold, is what\n"
        "limits useful sizes.");
    app->add_option("--vars", options->vars, "sizes: a list, or a range first:last:step")
        ->capture_default_str();
    app->add_option("--ratios", options->ratios,
                    "clause/variable ratios: a list, or a range such as 3.8:4.8:0.1")
        ->capture_default_str();
    app->add_option("--trials", options->trials, "formulas per cell")
        ->capture_default_str()
        ->check(CLI::Range(1, kMaxTrials));
    app->add_option("--seed", options->seed, "the random stream's starting state")
        ->capture_default_str()
        ->check(CLI::Range(kMinSeed, kMaxSeed));
    app->add_option("--model", options->model,
                    "formula model: classic, uniform, planted or 2-hidden (docs/models.md)")
        ->capture_default_str()
        ->check(CLI::IsMember({"classic", "uniform", "planted", "2-hidden"}));
    app->add_option("--k", options->k,
                    "literals per clause, 2 .. 7 (the classic model takes only 3)")
        ->capture_default_str()
        ->check(CLI::Range(kMinClauseWidth, kMaxClauseWidth));
    addFormatOption(*app, options->format);
    app->add_flag("--per-formula", options->perFormula,
                  "one record per formula instead of per cell (csv, jsonl)");
    app->add_option("--output", options->output,
                    "write to FILE instead of standard output; a file that is no sweep output is "
                    "never replaced")
        ->type_name("FILE");
    app->add_option("--jobs", options->jobs,
                    "threads deciding formulas [default: all hardware threads]")
        ->check(CLI::Range(1, 256));
    app->add_flag("--progress", options->progress,
                  "progress line on standard error [default: if a terminal]");
    app->add_flag("--quiet", options->quiet, "show no progress line");
    app->add_flag("--resume", options->resume, "continue the interrupted sweep in --output FILE");
    app->add_option("--shard", options->shard,
                    "compute only part I of K: cells I-1, I-1+K, I-1+2K, ... (jsonl)")
        ->type_name("I/K");
    app->add_option("--solver", options->solvers,
                    "decide every formula with each of these: splitting, dpll, cdcl (a list); "
                    "records then name the solver and its cost unit")
        ->type_name("LIST");
    app->add_flag("--check", options->check,
                  "compute nothing: exit 0 if --output FILE holds every record, 3 if not "
                  "(csv, jsonl)");
    return Command{app, [options] { return runSweep(*options); }};
}
