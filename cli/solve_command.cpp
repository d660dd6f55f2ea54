#include "cli/solve_command.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <optional>
#include <string>

#include "cli/local_search_options.h"
#include "dimacs/dimacs_file.h"
#include "dimacs/dimacs_writer.h"
#include "formula/formula.h"
#include "platform/error_report.h"
#include "solver/formula_decision.h"
#include "solver/model_check.h"
#include "solver/solver_kind.h"

namespace satphase {

namespace {

constexpr int kSatisfiableStatus = 10;
constexpr int kUnsatisfiableStatus = 20;
constexpr int kUnknownStatus = 0;  // as SAT solvers exit on UNKNOWN

}  // namespace

std::optional<std::string> readSolveRequest(const SolveOptions& options, SolveRequest& request) {
    if (!options.solver.empty()) {
        const std::optional<SolverKind> named = parseSolver(options.solver);
        if (!named) {
            return "--solver " + options.solver + ": not a solver; expected " + solverChoices();
        }
        if (auto problem = unavailability(*named)) {
            return "--solver " + options.solver + ": " + *problem;
        }
        request.solver = *named;
        request.namesSolver = true;
    }
    const SolverKind listed[] = {request.solver};
    LocalSearchSettings settings;
    if (auto problem = readLocalSearchOptions(options.localSearch, listed, 3, settings)) {
        return problem;
    }
    if (options.seed && isComplete(request.solver)) {
        return "--seed applies to probsat and walksat, and --solver names neither";
    }
    request.seed = options.seed.value_or(1);
    request.limits = isComplete(request.solver) ? kDecidedLimits : kSearchedLimits;
    return std::nullopt;
}

// probSAT's published constants are those of the formula's longest clauses,
// so the local search's settings are read again once the formula is known.
SolvedFormula solveFormula(const SolveOptions& options, const SolveRequest& request,
                           const Formula& formula) {
    std::int32_t widest = 3;
    for (const Clause& clause : formula.clauses) {
        widest = std::max(widest, clause.size);
    }
    const SolverKind listed[] = {request.solver};
    LocalSearchSettings settings;
    readLocalSearchOptions(options.localSearch, listed, widest, settings);
    SolvedFormula solved;
    const auto start = std::chrono::steady_clock::now();
    solved.verdict = decideFormula(formula, request.solver, settings, request.seed);
    solved.seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    if (solved.verdict.satisfiable) {
        solved.falseClause = firstFalseClause(formula, solved.verdict.model);
    }
    return solved;
}

// Reads, decides and prints; a verdict is printed only once its model has
// been checked against every clause, and reported only once it is written.
int runSolve(const SolveOptions& options) {
    const ErrorReport report("solve");
    const std::string& file = options.file;
    SolveRequest request;
    if (auto problem = readSolveRequest(options, request)) {
        // A request that cannot be run: status 2, as for options CLI11 refuses.
        return report.fail(2, *problem);
    }
    const SolverKind kind = request.solver;
    const std::uint64_t seed = request.seed;
    const std::string name = file == "-" ? "<stdin>" : file;
    Formula formula;
    if (std::optional<std::string> problem = readDimacsFile(file, formula, request.limits)) {
        return report.fail(1, *problem);
    }
    const SolvedFormula solved = solveFormula(options, request, formula);
    const Verdict& verdict = solved.verdict;
    const double seconds = solved.seconds;
    if (solved.falseClause) {
        return report.fail(1, name + ": internal error: the search's values leave clause " +
                                  std::to_string(*solved.falseClause + 1) +
                                  " false; no verdict given");
    }

    std::string out = "c satphase solve " + name + "\n";
    out += "c " + std::to_string(formula.numVars) + " variables, " +
           std::to_string(formula.clauses.size()) + " clauses to decide\n";
    if (request.namesSolver) {
        out.append("c solver ").append(solverName(kind)).append("\n");
    }
    out.append("c ").append(costUnit(kind)).append(" ");
    out += std::to_string(verdict.steps) + "\n";
    if (kind == SolverKind::Dpll) {
        out += "c propagations " + std::to_string(verdict.propagations) + "\n";
    }
    if (kind == SolverKind::Lookahead) {
        out += "c lookaheads " + std::to_string(verdict.lookaheads) + "\n";
    }
    if (!isComplete(kind)) {
        out += "c seed " + std::to_string(seed) + "\n";
    }
    char secondsLine[64];
    std::snprintf(secondsLine, sizeof secondsLine, "c seconds %.6f\n", seconds);
    out += secondsLine;
    if (verdict.satisfiable) {
        out += "s SATISFIABLE\n";
        appendValueLines(out, verdict.model);
    } else if (!verdict.decided) {
        out += "s UNKNOWN\n";
    } else {
        out += "s UNSATISFIABLE\n";
    }
    // A failure may show only when the buffer is flushed, or only at close.
    errno = 0;
    if (std::fwrite(out.data(), 1, out.size(), stdout) != out.size() || std::fflush(stdout) != 0 ||
        std::ferror(stdout) != 0) {
        return report.fail(
            1, std::string("cannot write to standard output: ") + systemReason("write failed"));
    }
    return verdict.satisfiable ? kSatisfiableStatus
           : verdict.decided   ? kUnsatisfiableStatus
                               : kUnknownStatus;
}

}  // namespace satphase
