#include "cli/solve_command.h"

#include <algorithm>
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
#include "formula/formula.h"
#include "solver/solver_kind.h"

namespace {

constexpr int kSatisfiableStatus = 10;
constexpr int kUnsatisfiableStatus = 20;

// A request that cannot be run: status 2, as for options CLI11 refuses.
int refuse(const std::string& what) {
    const std::string line = "satphase solve: " + what + "\n";
    std::fwrite(line.data(), 1, line.size(), stderr);
    return 2;
}

int complain(const std::string& what) {
    const std::string line = "satphase: " + what + "\n";
    std::fwrite(line.data(), 1, line.size(), stderr);
    return 1;
}

struct SolveOptions {
    std::string file = "-";
    std::string solver;  // empty: the splitting search, printed as it always was
};

// The verdict of `kind` on `formula`, with its cost in CnfVerdict::steps and
// dpll's propagations in `propagations`. A formula with an empty clause or
// without variables leaves nothing to search: decided as decideCnf does, at
// no cost.
CnfVerdict decideWith(SolverKind kind, const Formula& formula, std::uint64_t& propagations) {
    const bool trivial = formula.numVars == 0 ||
                         std::any_of(formula.clauses.begin(), formula.clauses.end(),
                                     [](const Clause& clause) { return clause.size == 0; });
    if (kind == SolverKind::Splitting || trivial) {
        return decideCnf(formula);
    }
    const SolverKind only[] = {kind};
    FormulaDecider decider(formula.numVars, static_cast<std::int32_t>(formula.clauses.size()),
                           only);
    const SolverResult result = decider.decide(kind, formula);
    CnfVerdict verdict;
    verdict.satisfiable = result.satisfiable;
    verdict.steps = result.cost;
    propagations = result.propagations;
    if (result.satisfiable) {
        verdict.model.assign(decider.model(kind).begin(), decider.model(kind).end());
    }
    return verdict;
}

// Reads, decides and prints; a verdict is printed only once its model has
// been checked against every clause, and reported only once it is written.
int runSolve(const SolveOptions& options) {
    const std::string& file = options.file;
    std::optional<SolverKind> kind;
    if (!options.solver.empty()) {
        kind = parseSolver(options.solver);
        if (!kind) {
            return refuse("--solver " + options.solver +
                          ": not a solver; expected splitting, dpll or cdcl");
        }
        if (auto problem = unavailability(*kind)) {
            return refuse("--solver " + options.solver + ": " + *problem);
        }
    }
    const std::string name = file == "-" ? "<stdin>" : file;
    Formula formula;
    if (std::optional<std::string> problem = readDimacsFile(file, formula)) {
        return complain(*problem);
    }

    const auto start = std::chrono::steady_clock::now();
    std::uint64_t propagations = 0;
    const CnfVerdict verdict = kind ? decideWith(*kind, formula, propagations) : decideCnf(formula);
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
    if (kind) {
        out.append("c solver ").append(solverName(*kind)).append("\n");
        out.append("c ").append(costUnit(*kind)).append(" ");
        out += std::to_string(verdict.steps) + "\n";
        if (*kind == SolverKind::Dpll) {
            out += "c propagations " + std::to_string(propagations) + "\n";
        }
    } else {
        out += "c steps " + std::to_string(verdict.steps) + "\n";
    }
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
    auto options = std::make_shared<SolveOptions>();
    CLI::App* app = parent.add_subcommand(
        "solve",
        "Decides one DIMACS CNF formula of at most seven literals per clause with this "
        "program's search and counts its steps, or with --solver dpll (counting branches, "
        "and propagations) or cdcl (CaDiCaL, counting conflicts). Prints `c` comment lines "
        "(the cost in its unit, seconds), "
        "`s SATISFIABLE` or `s UNSATISFIABLE`, and for a satisfiable formula `v` lines with a "
        "value for every variable. Exit status 10 satisfiable, 20 unsatisfiable, 1 for a file "
        "it cannot read (more than 64 MiB of input included), 2 for a solver this build lacks.");
    app->add_option("file", options->file, "DIMACS CNF file; - or nothing for standard input");
    app->add_option("--solver", options->solver,
                    "splitting (the default, steps), dpll (branches) or cdcl (conflicts); "
                    "names the solver in a `c solver` line")
        ->type_name("NAME");
    return {app, [options] { return runSolve(*options); }};
}
