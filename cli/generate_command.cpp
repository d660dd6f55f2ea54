#include "cli/generate_command.h"

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <system_error>
#include <utility>
#include <vector>

#include "dimacs/dimacs_writer.h"
#include "formula/cnf_formula.h"
#include "random/cnf_generator.h"
#include "random/random_source.h"
#include "random/random_stream.h"
#include "sweep/sweep_plan.h"

namespace {

namespace fs = std::filesystem;

struct GenerateOptions {
    std::int64_t vars = 0;
    std::int64_t clauses = 0;
    std::int32_t seed = kRngInitialState;
    std::int32_t count = 1;
    std::string outputDir;  // empty: standard output
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

// The comment lines of formula `index`, which the stream began at `startState`.
std::vector<std::string> commentsFor(const GenerateOptions& options, std::int64_t index,
                                     std::int32_t startState) {
    const std::string size =
        "--vars " + std::to_string(options.vars) + " --clauses " + std::to_string(options.clauses);
    return {
        "random 3-CNF formula written by satphase generate",
        "parameters: " + size + " --seed " + std::to_string(options.seed) + " --count " +
            std::to_string(options.count) + "; this is formula " + std::to_string(index) +
            " (from 0), trial " + std::to_string(index) + " of that sweep cell",
        "start state of this formula: " + std::to_string(startState),
        "reproduce it alone: satphase generate " + size + " --seed " + std::to_string(startState),
    };
}

// For example satphase-v40-c180-s64540-0007.cnf; the index has at least four
// digits, and as many as the largest index needs.
std::string fileName(const GenerateOptions& options, std::int64_t index) {
    const std::size_t width = std::max<std::size_t>(4, std::to_string(options.count - 1).size());
    std::string number = std::to_string(index);
    number.insert(0, width - std::min(width, number.size()), '0');
    return "satphase-v" + std::to_string(options.vars) + "-c" + std::to_string(options.clauses) +
           "-s" + std::to_string(options.seed) + "-" + number + ".cnf";
}

// Writes `text` to a new or emptied file; `opened` tells whether the file is
// there to be removed afterwards.
bool writeFile(const fs::path& path, const std::string& text, bool& opened, int& error) {
    std::FILE* file = std::fopen(path.string().c_str(), "wb");
    opened = file != nullptr;
    if (file == nullptr) {
        error = errno;
        return false;
    }
    const bool written = std::fwrite(text.data(), 1, text.size(), file) == text.size();
    error = errno;
    const bool closed = std::fclose(file) == 0;
    if (written && !closed) {
        error = errno;
    }
    return written && closed;
}

// Writes every formula to a temporary file in the directory, then renames
// them all; on any failure it removes what it wrote, so that a directory
// holds either every formula of the request or none.
class DirectoryOutput {
  public:
    explicit DirectoryOutput(fs::path directory) : directory_(std::move(directory)) {}
    DirectoryOutput(const DirectoryOutput&) = delete;
    DirectoryOutput& operator=(const DirectoryOutput&) = delete;
    ~DirectoryOutput() {
        std::error_code ignored;
        for (const auto& [temporary, final] : files_) {
            fs::remove(temporary, ignored);
        }
        for (const fs::path& path : renamed_) {
            fs::remove(path, ignored);
        }
    }

    std::optional<std::string> prepare() {
        std::error_code error;
        fs::create_directories(directory_, error);
        if (error) {
            return "cannot create the directory " + directory_.string() + ": " + error.message();
        }
        return std::nullopt;
    }

    std::optional<std::string> add(const std::string& name, const std::string& text) {
        fs::path final = directory_ / name;
        fs::path temporary = directory_ / ("." + name + ".tmp");
        bool opened = false;
        int error = 0;
        const bool written = writeFile(temporary, text, opened, error);
        const std::string shown = temporary.string();
        if (opened) {
            files_.emplace_back(std::move(temporary), std::move(final));
        }
        if (!written) {
            return "cannot write " + shown + ": " + errorText(error);
        }
        return std::nullopt;
    }

    std::optional<std::string> commit() {
        for (const auto& [temporary, final] : files_) {
            std::error_code error;
            fs::rename(temporary, final, error);
            if (error) {
                return "cannot rename " + temporary.string() + " to " + final.string() + ": " +
                       error.message();
            }
            renamed_.push_back(final);
        }
        files_.clear();
        renamed_.clear();
        return std::nullopt;
    }

  private:
    fs::path directory_;
    std::vector<std::pair<fs::path, fs::path>> files_;  // temporary, final
    std::vector<fs::path> renamed_;
};

int runGenerate(const GenerateOptions& options) {
    // The same refusal as a sweep cell of this size gets; the seed and the
    // count are checked as the command line is read.
    if (std::optional<std::string> reason = CnfGenerator::refusal(options.vars, options.clauses)) {
        return complain(2, *reason);
    }
    const auto vars = static_cast<std::int32_t>(options.vars);
    const auto clauses = static_cast<std::int32_t>(options.clauses);
    CnfGenerator generator(vars, clauses);
    CnfFormula formula;
    formula.clauses.reserve(static_cast<std::size_t>(clauses));

    // Every formula is drawn once before anything is written, so that a
    // request the draws cannot meet leaves nothing behind.
    std::vector<std::int32_t> startStates;
    startStates.reserve(static_cast<std::size_t>(options.count));
    RandomStream stream(static_cast<std::int32_t>(options.seed));
    for (std::int32_t i = 0; i < options.count; ++i) {
        startStates.push_back(stream.state());
        if (!generator.generate(vars, clauses, stream, formula)) {
            return complain(2, std::to_string(vars) + " variables and " + std::to_string(clauses) +
                                   " clauses: formula " + std::to_string(i) +
                                   " cannot be completed with distinct clauses; ask for fewer "
                                   "clauses");
        }
    }

    std::optional<DirectoryOutput> directory;
    if (!options.outputDir.empty()) {
        directory.emplace(options.outputDir);
        if (std::optional<std::string> problem = directory->prepare()) {
            return complain(1, *problem);
        }
    }
    std::string text;
    for (std::int32_t i = 0; i < options.count; ++i) {
        const std::int32_t startState = startStates[static_cast<std::size_t>(i)];
        RandomStream replay(startState);
        generator.generate(vars, clauses, replay, formula);
        text.clear();
        appendDimacs(text, formula, commentsFor(options, i, startState));
        if (directory) {
            if (std::optional<std::string> problem = directory->add(fileName(options, i), text)) {
                return complain(1, *problem);
            }
        } else if (std::fwrite(text.data(), 1, text.size(), stdout) != text.size()) {
            break;
        }
    }
    if (directory) {
        if (std::optional<std::string> problem = directory->commit()) {
            return complain(1, *problem);
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
        "Writes the random 3-CNF formulas of one sweep cell as DIMACS CNF: formula i is trial i "
        "of the cell of VARS variables and CLAUSES clauses started from SEED.");
    app->add_option("--vars", options->vars, "number of variables (3 to 1000)")->required();
    app->add_option("--clauses", options->clauses, "clauses per formula (1 to 100000)")->required();
    app->add_option("--seed", options->seed, "start state of the random stream")
        ->capture_default_str()
        ->check(CLI::Range(RandomStream::kMinState, RandomStream::kMaxState));
    app->add_option("--count", options->count, "how many formulas")
        ->capture_default_str()
        ->check(CLI::Range(1, kMaxTrials));
    app->add_option("--output-dir", options->outputDir,
                    "write one file per formula into this directory, named "
                    "satphase-vVARS-cCLAUSES-sSEED-INDEX.cnf, instead of all to standard output");
    return {app, [options] { return runGenerate(*options); }};
}
