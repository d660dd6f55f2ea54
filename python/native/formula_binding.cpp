#include "python/native/formula_binding.h"

#include <algorithm>
#include <cstdint>
#include <span>
#include <stdexcept>

#include "cli/generate_command.h"
#include "cli/solve_command.h"
#include "dimacs/cell_formulas.h"
#include "dimacs/dimacs_file.h"
#include "dimacs/dimacs_reader.h"
#include "formula/formula.h"
#include "python/native/command_options.h"
#include "solver/solver_kind.h"

namespace satphase {

namespace py = pybind11;

namespace {

// The rows of `clauses` as a DIMACS text, so that the reader checks them as
// it checks a file: each row's literals up to its first 0, nothing after it.
std::string dimacsOfRows(const RowArray& clauses, std::optional<std::int64_t> vars) {
    if (clauses.ndim() != 2) {
        throw py::value_error("clauses: an array of one row per clause is needed, not " +
                              std::to_string(clauses.ndim()) + " dimensions");
    }
    const auto rows = clauses.unchecked<2>();
    std::int64_t largest = 0;
    std::string body;
    for (py::ssize_t row = 0; row < rows.shape(0); ++row) {
        bool ended = false;
        for (py::ssize_t column = 0; column < rows.shape(1); ++column) {
            const std::int64_t literal = rows(row, column);
            if (ended && literal != 0) {
                throw py::value_error("clauses row " + std::to_string(row) + ": literal " +
                                      std::to_string(literal) +
                                      " after the 0 that ends the clause");
            }
            if (literal == 0) {
                ended = true;
                continue;
            }
            // The magnitude of INT64_MIN is no int64; the reader refuses it as too large.
            const std::int64_t magnitude =
                literal == INT64_MIN ? INT64_MAX : (literal < 0 ? -literal : literal);
            largest = std::max(largest, magnitude);
            body += std::to_string(literal) + " ";
        }
        body += "0\n";
    }
    return "p cnf " + std::to_string(vars.value_or(largest)) + " " + std::to_string(rows.shape(0)) +
           "\n" + body;
}

}  // namespace

py::list generateFromPython(const std::vector<std::string>& arguments) {
    const auto options = commandOptions<GenerateOptions>(arguments);
    CellRequest request;
    if (std::optional<std::string> problem = readGenerateRequest(options, request)) {
        throw py::value_error(*problem);
    }
    py::list formulas;
    CellFormulas drawn(request);
    for (std::int32_t i = 0; i < request.count; ++i) {
        const Formula* formula = nullptr;
        {
            const py::gil_scoped_release withoutGil;
            formula = &drawn.nextFormula();
        }
        py::array_t<std::int32_t> clauses({static_cast<py::ssize_t>(formula->clauses.size()),
                                           static_cast<py::ssize_t>(request.kind.k)});
        auto rows = clauses.mutable_unchecked<2>();
        for (py::ssize_t row = 0; row < rows.shape(0); ++row) {
            const Clause& clause = formula->clauses[static_cast<std::size_t>(row)];
            for (py::ssize_t column = 0; column < rows.shape(1); ++column) {
                rows(row, column) = column < clause.size ? clause.lits[column].dimacs() : 0;
            }
        }
        py::object hidden = py::none();
        if (const std::span<const std::int8_t> values = drawn.hidden(); !values.empty()) {
            hidden =
                py::array_t<std::int8_t>(static_cast<py::ssize_t>(values.size()), values.data());
        }
        formulas.append(py::make_tuple(formula->numVars, std::move(clauses), drawn.startState(),
                                       std::move(hidden)));
    }
    return formulas;
}

py::dict solveFromPython(const std::vector<std::string>& arguments,
                         const std::optional<RowArray>& clauses, std::optional<std::int64_t> vars) {
    const auto options = commandOptions<SolveOptions>(arguments);
    SolveRequest request;
    if (std::optional<std::string> problem = readSolveRequest(options, request)) {
        throw py::value_error(*problem);
    }
    Formula formula;
    if (clauses) {
        const std::string text = dimacsOfRows(*clauses, vars);
        if (std::optional<DimacsProblem> problem = readDimacs(text, formula, request.limits)) {
            // Line 1 is the header the rows were given, line 2 row 0.
            throw py::value_error(problem->line <= 1
                                      ? problem->what
                                      : "clauses row " + std::to_string(problem->line - 2) + ": " +
                                            problem->what);
        }
    } else if (std::optional<std::string> problem =
                   readDimacsFile(options.file, formula, request.limits)) {
        throw py::value_error(*problem);
    }
    SolvedFormula solved;
    {
        const py::gil_scoped_release withoutGil;
        solved = solveFormula(options, request, formula);
    }
    if (solved.falseClause) {
        throw std::runtime_error("internal error: the search's values leave clause " +
                                 std::to_string(*solved.falseClause + 1) +
                                 " false; no verdict given");
    }
    const Verdict& verdict = solved.verdict;
    py::dict result;
    result["satisfiable"] = verdict.satisfiable ? py::object(py::bool_(true))
                            : verdict.decided   ? py::object(py::bool_(false))
                                                : py::object(py::none());
    result["model"] =
        verdict.satisfiable
            ? py::object(py::array_t<std::int8_t>(static_cast<py::ssize_t>(verdict.model.size()),
                                                  verdict.model.data()))
            : py::object(py::none());
    result["solver"] = std::string(solverName(request.solver));
    result["cost_unit"] = std::string(costUnit(request.solver));
    result["cost"] = verdict.steps;
    result["seconds"] = solved.seconds;
    if (request.solver == SolverKind::Dpll) {
        result["propagations"] = verdict.propagations;
    }
    if (request.solver == SolverKind::Lookahead) {
        result["lookaheads"] = verdict.lookaheads;
    }
    if (!isComplete(request.solver)) {
        result["seed"] = request.seed;
    }
    return result;
}

}  // namespace satphase
