#include "cli/solve_command.h"

#include <cerrno>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "dimacs/dimacs_reader.h"
#include "formula/cnf_formula.h"
#include "solver/trail_search.h"

namespace {

constexpr int kSatisfiableStatus = 10;
constexpr int kUnsatisfiableStatus = 20;
constexpr std::size_t kMaxValueLine = 4096;  // characters of a `v` line, newline not counted

int complain(const std::string& what) {
    const std::string line = "satphase: " + what + "\n";
    std::fwrite(line.data(), 1, line.size(), stderr);
    return 1;
}

std::string errorText(int error) {
    return error != 0 ? std::strerror(error) : "read failed";
}

// The whole of `name` ("-": standard input) in `text`, or why not.
std::optional<std::string> readAll(const std::string& name, std::string& text) {
    const bool standardInput = name == "-";
    std::FILE* file = standardInput ? stdin : std::fopen(name.c_str(), "rb");
    if (file == nullptr) {
        return "cannot open: " + errorText(errno);
    }
    char buffer[1 << 16];
    std::size_t got = 0;
    while ((got = std::fread(buffer, 1, sizeof buffer, file)) > 0) {
        text.append(buffer, got);
    }
    const int error = errno;
    const bool failed = std::ferror(file) != 0;
    if (!standardInput) {
        std::fclose(file);
    }
    if (failed) {
        return "cannot read: " + errorText(error);
    }
    return std::nullopt;
}

struct Verdict {
    bool satisfiable = false;
    std::uint64_t steps = 0;
    std::vector<std::int8_t> model;  // per variable, 1 true or 0 false, when satisfiable
    double seconds = 0;
};

Verdict decide(const CnfFormula& formula) {
    const auto start = std::chrono::steady_clock::now();
    Verdict verdict;
    bool emptyClause = false;
    for (const CnfClause& clause : formula.clauses) {
        emptyClause = emptyClause || clause.size == 0;
    }
    if (emptyClause) {
        verdict.satisfiable = false;  // nothing to search: no value satisfies an empty clause
    } else if (formula.numVars == 0) {
        verdict.satisfiable = true;  // no variables and no clauses
    } else {
        TrailSearch search(formula.numVars, static_cast<std::int32_t>(formula.clauses.size()));
        const TrailSearch::Outcome outcome = search.decide(formula);
        verdict.satisfiable = outcome.satisfiable;
        verdict.steps = outcome.steps;
        if (outcome.satisfiable) {
            verdict.model.assign(search.model().begin(), search.model().end());
        }
    }
    verdict.seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    return verdict;
}

// `v` lines of at most kMaxValueLine characters: every variable, negated when
// false, then the closing 0.
void appendValues(std::string& out, const std::vector<std::int8_t>& model) {
    std::string line = "v";
    const auto add = [&](const std::string& value) {
        if (line.size() + 1 + value.size() > kMaxValueLine) {
            out += line + "\n";
            line = "v";
        }
        line += " " + value;
    };
    for (std::size_t v = 0; v < model.size(); ++v) {
        add((model[v] == 1 ? "" : "-") + std::to_string(v + 1));
    }
    add("0");
    out += line + "\n";
}

int runSolve(const std::string& file) {
    const std::string name = file == "-" ? "<stdin>" : file;
    std::string text;
    if (std::optional<std::string> problem = readAll(file, text)) {
        return complain(name + ": " + *problem);
    }
    CnfFormula formula;
    if (std::optional<DimacsProblem> problem = readDimacs(text, formula)) {
        return complain(name + ":" + std::to_string(problem->line) + ": " + problem->what);
    }

    const Verdict verdict = decide(formula);
    if (verdict.satisfiable) {
        if (std::optional<std::size_t> clause = firstFalseClause(formula, verdict.model)) {
            return complain(name + ": internal error: the search's values leave clause " +
                            std::to_string(*clause + 1) + " false; no verdict given");
        }
    }

    std::string out = "c satphase solve " + name + "\n";
    out += "c " + std::to_string(formula.numVars) + " variables, " +
           std::to_string(formula.clauses.size()) + " clauses to decide\n";
    out += "c steps " + std::to_string(verdict.steps) + "\n";
    char seconds[64];
    std::snprintf(seconds, sizeof seconds, "c seconds %.6f\n", verdict.seconds);
    out += seconds;
    if (verdict.satisfiable) {
        out += "s SATISFIABLE\n";
        appendValues(out, verdict.model);
    } else {
        out += "s UNSATISFIABLE\n";
    }
    if (std::fwrite(out.data(), 1, out.size(), stdout) != out.size() || std::fflush(stdout) != 0) {
        return complain("cannot write to standard output: " + errorText(errno));
    }
    return verdict.satisfiable ? kSatisfiableStatus : kUnsatisfiableStatus;
}

}  // namespace

std::optional<std::size_t> firstFalseClause(const CnfFormula& formula,
                                            std::span<const std::int8_t> values) {
    for (std::size_t c = 0; c < formula.clauses.size(); ++c) {
        const CnfClause& clause = formula.clauses[c];
        bool satisfied = false;
        for (std::int32_t k = 0; k < clause.size; ++k) {
            const auto variable = static_cast<std::size_t>(variableOf(clause.lits[k]));
            satisfied = satisfied || (variable < values.size() &&
                                      values[variable] == (isNegated(clause.lits[k]) ? 0 : 1));
        }
        if (!satisfied) {
            return c;
        }
    }
    return std::nullopt;
}

Command addSolveCommand(CLI::App& parent) {
    auto file = std::make_shared<std::string>("-");
    CLI::App* app = parent.add_subcommand(
        "solve",
        "Decides one DIMACS CNF formula of at most three literals per clause with this "
        "program's search and counts its steps. Prints `c` comment lines (steps, seconds), "
        "`s SATISFIABLE` or `s UNSATISFIABLE`, and for a satisfiable formula `v` lines with a "
        "value for every variable. Exit status 10 satisfiable, 20 unsatisfiable, 1 for a file "
        "it cannot read.");
    app->add_option("file", *file, "DIMACS CNF file; - or nothing for standard input");
    return {app, [file] { return runSolve(*file); }};
}
