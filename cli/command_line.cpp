// The one translation unit that includes CLI11: a header-only library that
// takes most of a build to compile, so that it is compiled once.
#include "cli/command_line.h"

#include <CLI/CLI.hpp>
#include <iostream>
#include <limits>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "platform/build_info.h"
#include "platform/error_report.h"
#include "solver/solver_kind.h"
#include "sweep/numbers.h"
#include "sweep/sweep_plan.h"

namespace satphase {

namespace {

constexpr const char* kDescription =
    "Measures how hard random CNF formulas are to decide as the ratio of clauses\n"
    "to variables grows: with the commands below, for the classic model, uniform\n"
    "random k-SAT (k = 2 to 7) and planted formulas, with a splitting search, DPLL\n"
    "or CDCL, and with the statistics of the threshold.\n"
    "\n"
    "Without arguments it runs the classic experiment: for 10, 20, 30 and 40\n"
    "variables and the ratios 2, 3, 4, 4.5, 5, 6, 7 and 8 it decides 301 random\n"
    "formulas each with a recursive splitting search, and prints per ratio how many\n"
    "were unsatisfiable (Contradictions) and the median number of assignment steps\n"
    "(Median). The random source starts from a fixed state, so every run prints the\n"
    "same tables. A tone sounds after each row and at the end.\n";

// What --version prints: the release on the first line, as help2man and
// the like expect, and the commit below it, so that a result can be traced
// to the exact source that made it.
std::string versionText() {
    return "satphase " + std::string(programVersion()) + "\ncommit " +
           std::string(programCommit()) + "\n";
}

// Prints `text` on standard output; a failed write is said, with status 1.
int print(const std::string& text, const char* what) {
    std::cout << text << std::flush;
    if (std::cout) {
        return 0;
    }
    return ErrorReport("").fail(1, std::string("cannot write ") + what +
                                       " to standard output: " + systemReason("write failed"));
}

// Whole numbers on the command line are read as every file satphase reads
// is: in decimal, by one reader (CLI11 alone would take 010 for octal 8 and
// 0x10 for 16), and refused in the words the sweep's own limits use. The
// bound option then gets the number's plain decimal text. The help shows
// the bounds as CLI11's own Range does, and nothing for an unbounded number.
CLI::Validator decimal(std::int64_t low = std::numeric_limits<std::int64_t>::min(),
                       std::int64_t high = std::numeric_limits<std::int64_t>::max()) {
    const bool bounded = low != std::numeric_limits<std::int64_t>::min() ||
                         high != std::numeric_limits<std::int64_t>::max();
    return {
        [low, high](std::string& text) -> std::string {
            const auto value = parseWholeNumber(text);
            if (!value) {
                const bool digits = text.find_first_not_of("-0123456789") == std::string::npos;
                return "'" + text + (digits ? "' is too large" : "' is not a decimal whole number");
            }
            if (*value < low || *value > high) {
                return text + " is outside " + std::to_string(low) + " .. " + std::to_string(high);
            }
            text = std::to_string(*value);
            return {};
        },
        bounded ? "INT in [" + std::to_string(low) + " - " + std::to_string(high) + "]" : ""};
}

// The --format option of the commands that write a sweep's results.
void addFormatOption(CLI::App& app, OutputFormat& format) {
    app.add_option_function<std::string>(
           "--format",
           [&format](const std::string& name) {
               format = name == "csv"     ? OutputFormat::Csv
                        : name == "jsonl" ? OutputFormat::JsonLines
                                          : OutputFormat::Table;
           },
           "table (the classic layout), csv or jsonl")
        ->check(CLI::IsMember({"table", "csv", "jsonl"}))
        ->default_str("table");
}

// --model, --k and --p, which choose the formulas of `sweep` and `generate`
// alike. How they combine is checked by readModelOptions.
void addModelOptions(CLI::App& app, FormulaModel& model, std::int32_t& k,
                     std::optional<std::string>& p, const std::string& modelHelp) {
    app.add_option_function<std::string>(
           "--model", [&model](const std::string& name) { model = *parseModel(name); }, modelHelp)
        ->check(CLI::IsMember({"classic", "uniform", "planted", "2-hidden", "mixed"}))
        ->default_str(std::string(modelName(model)));
    app.add_option("--k", k, "literals per clause, 2 .. 7 (the classic model takes only 3)")
        ->transform(decimal(kMinClauseWidth, kMaxClauseWidth))
        ->capture_default_str();
    app.add_option_function<std::string>(
           "--p", [&p](const std::string& text) { p = text; },
           "mixed ((2+p)-SAT): the fraction of clauses with 3 literals, the others having 2; "
           "a decimal from 0 to 1 with at most six places, required with --model mixed")
        ->type_name("P");
}

// --max-flips, --cb, --eps and --noise, which set the local searches of
// `sweep` and `solve` alike.
void addLocalSearchOptions(CLI::App& app, LocalSearchOptions& options) {
    app.add_option("--max-flips", options.maxFlips,
                   "probsat and walksat: the most flips per formula [default: 10000 per "
                   "variable, at most 10^10]")
        ->transform(decimal(1, std::numeric_limits<std::int64_t>::max()));
    const auto real = [&app](const char* name, std::optional<double>& value, const char* help) {
        return app.add_option_function<double>(
            name, [&value](double read) { value = read; }, help);
    };
    real("--cb", options.cb,
         "probsat: the exponent cb of its break rule (eps + break)^-cb [default: 2.38, 3.0, 3.6, "
         "4.4, 4.7 for k = 3 .. 7]")
        ->check(CLI::PositiveNumber);
    real("--eps", options.eps, "probsat: eps in its break rule [default: 1]")
        ->check(CLI::PositiveNumber);
    real("--noise", options.noise,
         "walksat: the probability of a random walk step [default: 0.567]")
        ->check(CLI::Range(0.0, 1.0));
}

// Each add function below declares one command: its help texts, which
// help2man turns into the man page, and its options, bound to `options`.
CLI::App* addSweep(CLI::App& parent, SweepOptions& options) {
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
        "--model mixed --p P draws (2+p)-SAT: each clause has 3 literals with\n"
        "probability P and 2 otherwise; its records carry p after k.\n"
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
        "branches), cdcl (CaDiCaL, cost in conflicts) or lookahead (DPLL with\n"
        "look-ahead, cost in nodes). Their verdicts must agree: a disagreement stops\n"
        "the sweep with status 1, naming the cell, trial and start state, and keeps\n"
        "the finished cells. Without --solver the records are those of the splitting\n"
        "search alone, as they always were.\n"
        "\n"
        "The local searches probsat and walksat (cost in flips) look for a model within\n"
        "--max-flips flips, from a stream seeded by the formula's start state; a\n"
        "formula they do not solve is unknown, never unsatisfiable, and records count\n"
        "the solved ones (docs/local-search.md).\n"
        "\n"
        "--measure backbone,solutions measures every satisfiable formula too: the\n"
        "fraction of its variables in the backbone (exactly, with CaDiCaL) and its exact\n"
        "number of solutions (up to 64 variables), with their spread per cell\n"
        "(docs/order-parameters.md).\n"
        "\n"
        "Limits: 3 .. 1000 variables, 1 .. 100000 clauses per formula (local searches\n"
        "alone on another model than the classic one: 1000000 and 10000000), 1 ..\n"
        "1000000 trials, seeds 1 .. 2147483646, at most 1000000 cells (sizes x ratios).\n"
        "The search's cost, about threefold per ten variables at the threshold, is\n"
        "what limits useful sizes.");
    app->add_option("--vars", options.vars, "sizes: a list, or a range first:last:step")
        ->capture_default_str();
    app->add_option("--ratios", options.ratios,
                    "clause/variable ratios: a list, or a range such as 3.8:4.8:0.1")
        ->capture_default_str();
    app->add_option("--trials", options.trials, "formulas per cell")
        ->transform(decimal(1, kMaxTrials))
        ->capture_default_str();
    app->add_option("--seed", options.seed, "the random stream's starting state")
        ->transform(decimal(kMinSeed, kMaxSeed))
        ->capture_default_str();
    addModelOptions(*app, options.model, options.k, options.p,
                    "formula model: classic, uniform, planted or 2-hidden (docs/models.md)");
    addFormatOption(*app, options.format);
    app->add_flag("--per-formula", options.perFormula,
                  "one record per formula instead of per cell (csv, jsonl)");
    app->add_option("--output", options.output,
                    "write to FILE instead of standard output; a file that is no sweep output is "
                    "never replaced")
        ->type_name("FILE");
    app->add_option("--jobs", options.jobs,
                    "threads deciding formulas [default: all hardware threads]")
        ->transform(decimal(1, 256));
    app->add_flag("--progress", options.progress,
                  "progress line on standard error [default: if a terminal]");
    app->add_flag("--quiet", options.quiet, "show no progress line");
    app->add_flag("--resume", options.resume, "continue the interrupted sweep in --output FILE");
    app->add_option("--shard", options.shard,
                    "compute only part I of K: cells I-1, I-1+K, I-1+2K, ... (jsonl)")
        ->type_name("I/K");
    app->add_option("--solver", options.solvers,
                    "decide every formula with each of these: splitting, dpll, cdcl, "
                    "lookahead, probsat, walksat (a list); records then name the solver and its "
                    "cost unit")
        ->type_name("LIST");
    addLocalSearchOptions(*app, options.localSearch);
    app->add_option("--measure", options.measures,
                    "measure every satisfiable formula: backbone, solutions (a list)")
        ->type_name("LIST");
    app->add_flag("--check", options.check,
                  "compute nothing: exit 0 if --output FILE holds every record, 3 if not "
                  "(csv, jsonl)");
    return app;
}

CLI::App* addMerge(CLI::App& parent, MergeOptions& options) {
    CLI::App* app =
        parent.add_subcommand("merge", "Joins the shards of a sweep into the whole sweep's output");
    app->footer(
        "Reads the JSON Lines that satphase sweep --shard I/K --format jsonl wrote, checks\n"
        "that they come from one sweep, that every cell is there exactly once and that no\n"
        "record is torn, and writes what the whole sweep writes in the format asked for\n"
        "(only the seconds a cell took come from the shard's run). Every problem is named\n"
        "on standard error, one line each, and then nothing is written.\n"
        "\n"
        "The shards are read a line at a time. Merge holds about 100 bytes per cell and,\n"
        "for --per-formula shards, about 100 bytes per formula (some 100 MB per million\n"
        "formulas), plus the output it writes.");
    app->add_option("files", options.files, "the shards' JSON Lines files")
        ->required()
        ->type_name("FILE...");
    addFormatOption(*app, options.format);
    app->add_option("--output", options.output,
                    "write to FILE instead of standard output; a file that is no sweep output is "
                    "never replaced")
        ->type_name("FILE");
    return app;
}

// plot and analyze are listed for --help; main() hands their arguments to
// their Python programs before the command line is read.
CLI::App* addPythonCommand(CLI::App& parent, const char* name, const char* description) {
    CLI::App* app = parent.add_subcommand(name, description);
    app->prefix_command();  // everything after the name belongs to the program
    return app;
}

CLI::App* addGenerate(CLI::App& parent, GenerateOptions& options) {
    CLI::App* app = parent.add_subcommand(
        "generate",
        "Writes the random formulas of one sweep cell as DIMACS CNF: formula i is trial i "
        "of the cell of VARS variables and CLAUSES clauses started from SEED.");
    app->footer(
        "--model and --k choose the formulas as for satphase sweep (docs/models.md). A\n"
        "planted or 2-hidden formula has a line 'c planted: ' before its 'p cnf' line:\n"
        "the hidden assignment as DIMACS literals, ended by 0. Another model than the\n"
        "classic one names itself in the file names, as satphase-uniform-k4-v40-...\n"
        "--model mixed --p P draws (2+p)-SAT formulas (3 literals with probability P,\n"
        "else 2), named with their p: satphase-mixed-k3-p0.3-v40-...");
    app->add_option("--vars", options.vars,
                    "number of variables (3 to 1000; to 1000000 but for the classic model)")
        ->transform(decimal())
        ->required();
    app->add_option("--clauses", options.clauses,
                    "clauses per formula (1 to 100000; to 10000000 but for the classic model)")
        ->transform(decimal())
        ->required();
    app->add_option("--seed", options.seed, "start state of the random stream")
        ->transform(decimal(RandomStream::kMinState, RandomStream::kMaxState))
        ->capture_default_str();
    addModelOptions(*app, options.model, options.k, options.p,
                    "formula model: classic, uniform, planted or 2-hidden");
    app->add_option("--count", options.count, "how many formulas")
        ->transform(decimal(1, kMaxTrials))
        ->capture_default_str();
    app->add_option("--output-dir", options.outputDir,
                    "write one file per formula into this directory, named "
                    "satphase-vVARS-cCLAUSES-sSEED-INDEX.cnf, instead of all to standard output; "
                    "all the files are written or none, and files of the same names are refused");
    app->add_flag("--force", options.force,
                  "with --output-dir: replace files of the same names, once every new one is "
                  "written");
    return app;
}

CLI::App* addSolve(CLI::App& parent, SolveOptions& options) {
    CLI::App* app = parent.add_subcommand(
        "solve",
        "Decides one DIMACS CNF formula of at most seven literals per clause with this "
        "program's search and counts its steps, or with --solver dpll (counting branches, "
        "and propagations), cdcl (CaDiCaL, counting conflicts) or lookahead (DPLL with "
        "look-ahead, counting nodes, and look-aheads), or searches it for a model with "
        "probsat or walksat (counting flips). Prints `c` comment lines "
        "(the cost in its unit, seconds), "
        "`s SATISFIABLE`, `s UNSATISFIABLE` or, from a local search that found no model, "
        "`s UNKNOWN`, and for a satisfiable formula `v` lines with a "
        "value for every variable. Exit status 10 satisfiable, 20 unsatisfiable, 0 unknown, 1 "
        "for a file it cannot read (more than 64 MiB of input included), 2 for a solver this "
        "build lacks.");
    app->add_option("file", options.file, "DIMACS CNF file; - or nothing for standard input");
    app->add_option("--solver", options.solver,
                    "splitting (the default, steps), dpll (branches), cdcl (conflicts), "
                    "lookahead (nodes), probsat or walksat (flips); names the solver in a "
                    "`c solver` line")
        ->type_name("NAME");
    addLocalSearchOptions(*app, options.localSearch);
    app->add_option_function<std::uint64_t>(
           "--seed", [&options](std::uint64_t seed) { options.seed = seed; },
           "probsat and walksat: the seed of their random stream [default: 1]")
        ->transform(decimal(0, std::numeric_limits<std::int64_t>::max()));
    return app;
}

// satphase's command line as CLI11 reads it, with the options each command
// fills. Built on every call, but only when there are arguments: the classic
// report never pays for it.
struct CommandLine {
    CLI::App app{kDescription, "satphase"};
    SweepOptions sweep;
    MergeOptions merge;
    GenerateOptions generate;
    SolveOptions solve;
    CLI::App* sweepApp = nullptr;
    CLI::App* mergeApp = nullptr;
    CLI::App* generateApp = nullptr;
    CLI::App* solveApp = nullptr;

    CommandLine() {
        app.footer("Run 'satphase COMMAND --help' for the options of a command.");
        app.require_subcommand(0, 1);
        app.set_version_flag("--version", versionText(),
                             "Print the version and the git commit it was built from, and exit");
        sweepApp = addSweep(app, sweep);
        mergeApp = addMerge(app, merge);
        addPythonCommand(app, "plot",
                         "Draws a sweep's figures as PNG and SVG (satphase plot --help for more)");
        addPythonCommand(app, "analyze",
                         "Estimates the threshold and its scaling from a sweep "
                         "(satphase analyze --help for more)");
        generateApp = addGenerate(app, generate);
        solveApp = addSolve(app, solve);
    }

    // The names of the commands the parse reached, as "sweep", or empty.
    std::string parsedCommand() const {
        std::string command;
        const auto parsed = [](const CLI::App* subcommand) { return subcommand->parsed(); };
        for (const CLI::App* subcommand : std::as_const(app).get_subcommands(parsed)) {
            command += (command.empty() ? "" : " ") + subcommand->get_name();
        }
        return command;
    }

    // The options of the command parsed, or nothing (plot, analyze, or none).
    std::optional<ParsedCommand> options() const {
        if (sweepApp->parsed()) {
            return sweep;
        }
        if (mergeApp->parsed()) {
            return merge;
        }
        if (generateApp->parsed()) {
            return generate;
        }
        if (solveApp->parsed()) {
            return solve;
        }
        return std::nullopt;
    }
};

}  // namespace

CommandRequest readCommandLine(int argc, char** argv) {
    CommandLine line;
    // The command line is read without its help flags first, so that
    // `satphase --help extra` names `extra` as the argument that is wrong.
    std::vector<std::string> arguments;
    bool help = false;
    for (int i = argc - 1; i >= 1; --i) {
        const std::string argument = argv[i];
        if (argument == "-h" || argument == "--help") {
            help = true;
        } else {
            arguments.push_back(argument);  // CLI11 takes them last first
        }
    }
    try {
        line.app.parse(arguments);
    } catch (const CLI::CallForVersion& version) {
        return Answered{print(version.what(), "the version")};
    } catch (const CLI::ParseError& error) {
        if (help && dynamic_cast<const CLI::RequiredError*>(&error) != nullptr) {
            // Help needs no required option.
        } else {
            // A command's own option is wrong: point at that command's help.
            const std::string command = line.parsedCommand();
            const std::string name = command.empty() ? "satphase" : "satphase " + command;
            return Answered{ErrorReport(command).fail(
                2, std::string(error.what()) + "; try '" + name + " --help'")};
        }
    }
    if (help) {
        return Answered{
            print(line.app.help(), "the help")};  // the chosen command's, if one was named
    }
    if (std::optional<ParsedCommand> options = line.options()) {
        return std::visit([](auto& chosen) -> CommandRequest { return std::move(chosen); },
                          *options);
    }
    if (!line.app.get_subcommands().empty()) {
        return Answered{2};  // plot or analyze, which main() runs before this
    }
    return Answered{ErrorReport("").fail(
        2,
        "name a command, or run without arguments for the classic report; try 'satphase --help'")};
}

std::variant<ParsedCommand, std::string> parseCommand(const std::vector<std::string>& arguments) {
    CommandLine line;
    try {
        line.app.parse(std::vector<std::string>(arguments.rbegin(), arguments.rend()));
    } catch (const CLI::ParseError& error) {
        return std::string(error.what());
    }
    if (std::optional<ParsedCommand> options = line.options()) {
        return std::move(*options);
    }
    return std::string("name one of the commands sweep, merge, generate and solve");
}

}  // namespace satphase
