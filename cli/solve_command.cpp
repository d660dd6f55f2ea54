#include "cli/solve_command.h"

#include <cerrno>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <memory>
#include <optional>
#include <string>

#include "dimacs/cnf_decision.h"
#include "dimacs/dimacs_file.h"
#include "dimacs/dimacs_writer.h"
#include "formula/cnf_formula.h"

namespace {

constexpr int kSatisfiableStatus = 10;
constexpr int kUnsatisfiableStatus = 20;

int complain(const std::string& what) {
    const std::string line = "satphase: " + what + "\n";
    std::fwrite(line.data(), 1, line.size(), stderr);
    return 1;
}

// Reads, decides and prints; a verdict is printed only once its model has
// been checked against every clause, and reported only once it is written.
int runSolve(const std::string& file) {
    const std::string name = file == "-" ? "<stdin>" : file;
    CnfFormula formula;
    if (std::optional<std::string> problem = readDimacsFile(file, formula)) {
        return complain(*problem);
    }

    const auto start = std::chrono::steady_clock::now();
    const CnfVerdict verdict = decideCnf(formula);
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
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
    char secondsLine[64];
    std::snprintf(secondsLine, sizeof secondsLine, "c seconds %.6f\n", seconds);
    out += secondsLine;
    if (verdict.satisfiable) {
        out += "s SATISFIABLE\n";
        appendValueLines(out, verdict.model);
    } else {
        out += "s UNSATISFIABLE\n";
    }
    // A failure may show only when the buffer is flushed, or only at close.
    errno = 0;
    if (std::fwrite(out.data(), 1, out.size(), stdout) != out.size() || std::fflush(stdout) != 0 ||
        std::ferror(stdout) != 0) {
        const int error = errno;
        return complain("cannot write to standard output: " +
                        std::string(error != 0 ? std::strerror(error) : "write failed"));
    }
    return verdict.satisfiable ? kSatisfiableStatus : kUnsatisfiableStatus;
}

}  // namespace

Command addSolveCommand(CLI::App& parent) {
    auto file = std::make_shared<std::string>("-");
    CLI::App* app = parent.add_subcommand(
        "solve",
        "Decides one DIMACS CNF formula of at most seven literals per clause with this "
        "program's search and counts its steps. Prints `c` comment lines (steps, seconds), "
        "`s SATISFIABLE` or `s UNSATISFIABLE`, and for a satisfiable formula `v` lines with a "
        "value for every variable. Exit status 10 satisfiable, 20 unsatisfiable, 1 for a file "
        "it cannot read (more than 64 MiB of input included).");
    app->add_option("file", *file, "DIMACS CNF file; - or nothing for standard input");
    return {app, [file] { return runSolve(*file); }};
}
