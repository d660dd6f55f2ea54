#include "cli/generate_command.h"

#include <cerrno>
#include <csignal>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "dimacs/cell_formulas.h"
#include "platform/interrupt.h"
#include "platform/safe_file.h"
#include "random/classic_generator.h"
#include "random/formula_source.h"
#include "random/random_stream.h"
#include "sweep/sweep_plan.h"

namespace {

struct GenerateOptions {
    std::int64_t vars = 0;
    std::int64_t clauses = 0;
    std::int32_t seed = kRngInitialState;
    std::int32_t count = 1;
    std::string outputDir;  // empty: standard output
    bool force = false;     // replace files of the same names in outputDir
    std::string model = "classic";
    std::int32_t k = kClassicClauseWidth;
};

// "satphase: " and the message as one line in one write; returns `status`.
int complain(int status, const std::string& what) {
    const std::string line = "satphase: " + what + "\n";
    std::fwrite(line.data(), 1, line.size(), stderr);
    return status;
}

std::string errorText(int error) {
    return error != 0 ? std::strerror(error) : "unknown error";
}

// One formula after the other, each from the stream where the one before it
// left it, as the trials of a sweep cell are drawn. With an output directory
// the set is written all or none: names already taken are refused before
// anything is written (unless --force), and Ctrl-C or any failure leaves the
// directory as it was.
int runGenerate(const GenerateOptions& options) {
    // The same refusal as a sweep cell of this size gets; the seed, the
    // count and the model's name are checked as the command line is read.
    const FormulaModel model = parseModel(options.model).value_or(FormulaModel::Classic);
    if (std::optional<std::string> reason =
            modelRefusal(model, options.k, options.vars, options.clauses)) {
        return complain(2, *reason);
    }
    const CellRequest request{static_cast<std::int32_t>(options.vars),
                              static_cast<std::int32_t>(options.clauses),
                              options.seed,
                              options.count,
                              model,
                              options.k};
    std::optional<AtomicFileSet> directory;
    if (!options.outputDir.empty()) {
        directory.emplace(options.outputDir, options.force);
        std::vector<std::string> names;
        names.reserve(static_cast<std::size_t>(options.count));
        for (std::int32_t i = 0; i < options.count; ++i) {
            names.push_back(cellFormulaFileName(request, i));
        }
        if (std::optional<std::string> taken = directory->checkFree(names)) {
            return complain(2, *taken + "; it is left as it is (--force replaces such files)");
        }
        if (std::optional<std::string> problem = directory->prepare()) {
            return complain(1, *problem);
        }
        catchInterrupts();
#if defined(SIGXFSZ)
        std::signal(SIGXFSZ, SIG_IGN);  // a file-size limit is a write that fails, not an end
#endif
    }
    CellFormulas formulas(request);
    for (std::int32_t i = 0; i < options.count; ++i) {
        if (directory && interruptRequested()) {
            return complain(130, "interrupted; no file written");
        }
        const std::string& text = formulas.next();
        if (directory) {
            if (std::optional<std::string> problem =
                    directory->add(cellFormulaFileName(request, i), text)) {
                return complain(1, *problem + "; no file written");
            }
        } else if (std::fwrite(text.data(), 1, text.size(), stdout) != text.size()) {
            break;
        }
    }
    if (directory) {
        if (interruptRequested()) {
            return complain(130, "interrupted; no file written");
        }
        if (std::optional<std::string> problem = directory->commit()) {
            return complain(1, *problem + "; no file written");
        }
        return 0;
    }
    if (std::fflush(stdout) != 0 || std::ferror(stdout) != 0) {
        return complain(1, "cannot write the formulas to standard output: " + errorText(errno));
    }
    return 0;
}

}  // namespace

Command addGenerateCommand(CLI::App& parent) {
    auto options = std::make_shared<GenerateOptions>();
    CLI::App* app = parent.add_subcommand(
        "generate",
        "Writes the random formulas of one sweep cell as DIMACS CNF: formula i is trial i "
        "of the cell of VARS variables and CLAUSES clauses started from SEED.");
    app->footer(
        "--model and --k choose the formulas as for satphase sweep (docs/models.md). A\n"
        "planted or 2-hidden formula has a line 'c planted: ' before its 'p cnf' line:\n"
        "the hidden assignment as DIMACS literals, ended by 0. Another model than the\n"
        "classic one names itself in the file names, as satphase-uniform-k4-v40-...");
    app->add_option("--vars", options->vars, "number of variables (3 to 1000)")->required();
    app->add_option("--clauses", options->clauses, "clauses per formula (1 to 100000)")->required();
    app->add_option("--seed", options->seed, "start state of the random stream")
        ->capture_default_str()
        ->check(CLI::Range(RandomStream::kMinState, RandomStream::kMaxState));
    app->add_option("--model", options->model,
                    "formula model: classic, uniform, planted or 2-hidden")
        ->capture_default_str()
        ->check(CLI::IsMember({"classic", "uniform", "planted", "2-hidden"}));
    app->add_option("--k", options->k,
                    "literals per clause, 2 .. 7 (the classic model takes only 3)")
        ->capture_default_str()
        ->check(CLI::Range(kMinClauseWidth, kMaxClauseWidth));
    app->add_option("--count", options->count, "how many formulas")
        ->capture_default_str()
        ->check(CLI::Range(1, kMaxTrials));
    app->add_option("--output-dir", options->outputDir,
                    "write one file per formula into this directory, named "
                    "satphase-vVARS-cCLAUSES-sSEED-INDEX.cnf, instead of all to standard output; "
                    "all the files are written or none, and files of the same names are refused");
    app->add_flag("--force", options->force,
                  "with --output-dir: replace files of the same names, once every new one is "
                  "written");
    return {app, [options] { return runGenerate(*options); }};
}
