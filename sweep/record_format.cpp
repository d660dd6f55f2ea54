#include "sweep/record_format.h"

#include <algorithm>
#include <cassert>
#include <charconv>
#include <nlohmann/json.hpp>
#include <sstream>

#include "platform/build_info.h"

namespace satphase {

namespace {

using Json = nlohmann::ordered_json;

// The values of a record, in the order of its columns.
using Values = std::vector<Json>;

void insertModel(const SweepDefinition& definition, Values& values) {
    if (namesModel(definition)) {
        values.insert(values.begin() + kModelColumnsAt,
                      {Json(modelName(definition.kind.model)), Json(definition.kind.k)});
    }
    if (namesFraction(definition)) {
        values.insert(values.begin() + kModelColumnsAt + std::size(kModelColumns),
                      Json(fractionValue(definition)));
    }
}

// The cell record of the solver at `solver` in the sweep's list. Without
// named solvers it is the historical record, which has no solver columns and
// gives the cell's time.
Values cellValues(const SweepDefinition& definition, const FinishedCell& f, std::size_t solver) {
    const CellSummary& s = f.summaries[solver];
    Values values{f.cell.index, f.cell.vars, f.cell.clauses, f.cell.ratio.value(), s.trials};
    if (decidesFormulas(definition)) {
        values.insert(values.end(), {Json(s.unsatisfiable), Json(s.satFraction), Json(s.satLow),
                                     Json(s.satHigh)});
    }
    if (searchesFormulas(definition)) {
        values.insert(values.end(), {Json(s.solved), Json(s.solvedFraction), Json(s.solvedLow),
                                     Json(s.solvedHigh)});
    }
    if (definition.namesSolvers) {
        const SolverKind kind = definition.solvers[solver];
        values.insert(values.end(), {Json(solverName(kind)), Json(costUnit(kind))});
    }
    values.insert(values.end(), {Json(s.median), Json(s.lowerQuartile), Json(s.upperQuartile),
                                 Json(s.mean), Json(s.max)});
    values.insert(
        values.end(),
        {Json(definition.namesSolvers ? f.solverSeconds[solver] : f.seconds), Json(f.startState)});
    const CellMeasures& m = s.measures;
    if (definition.measures.any()) {
        values.emplace_back(m.measured);
    }
    for (const auto& [taken, spread] : {std::pair{definition.measures.backbone, &m.backbone},
                                        std::pair{definition.measures.solutions, &m.entropy}}) {
        if (taken) {
            values.insert(values.end(), {Json(spread->median), Json(spread->lowerQuartile),
                                         Json(spread->upperQuartile), Json(spread->mean)});
        }
    }
    insertModel(definition, values);
    return values;
}

Values formulaValues(const SweepDefinition& definition, const FinishedCell& f, std::size_t trial) {
    const FormulaResult& r = f.formulas[trial];
    Values values{f.cell.index,         f.cell.vars, f.cell.clauses,
                  f.cell.ratio.value(), trial,       r.startState};
    if (decidesFormulas(definition)) {
        values.emplace_back(r.satisfiable);
    }
    for (std::size_t i = 0; i < definition.solvers.size(); ++i) {
        values.emplace_back(r.costs[i]);
        if (definition.solvers[i] == SolverKind::Dpll) {
            values.emplace_back(r.propagations);
        }
        if (definition.solvers[i] == SolverKind::Lookahead && definition.recordsLookaheads) {
            values.emplace_back(r.lookaheads);
        }
        if (!isComplete(definition.solvers[i])) {
            values.emplace_back(r.solved[i]);
        }
    }
    if (definition.measures.backbone) {
        values.emplace_back(r.backbone);
    }
    if (definition.measures.solutions) {
        values.emplace_back(r.solutions);
    }
    insertModel(definition, values);
    return values;
}

// One CSV row. Every value is a number, a truth value or a model name
// (letters, digits and '-'), so no field ever needs quoting.
void appendCsvRow(const Values& values, std::string& out) {
    bool first = true;
    for (const Json& value : values) {
        out += first ? "" : ",";
        first = false;
        if (value.is_boolean()) {
            out += value.get<bool>() ? "1" : "0";
        } else if (value.is_number_float()) {
            out += shortestText(value.get<double>());
        } else if (value.is_string()) {
            out += value.get<std::string>();
        } else {
            out += value.dump();
        }
    }
    out += "\n";
}

void appendJsonLine(const std::vector<std::string_view>& columns, const Values& values,
                    std::string& out) {
    assert(columns.size() == values.size());
    Json record = Json::object();
    for (std::size_t i = 0; i < columns.size(); ++i) {
        record[std::string(columns[i])] = values[i];
    }
    out += record.dump() + "\n";
}

Json sweepObject(const SweepDefinition& definition, std::optional<Shard> shard) {
    Json ratios = Json::array();
    for (const Ratio ratio : definition.ratios) {
        ratios.push_back(ratio.value());
    }
    Json sweep{{"vars", definition.vars},
               {"ratios", ratios},
               {"trials", definition.trials},
               {"seed", definition.seed},
               {"per_formula", definition.perFormula}};
    if (namesModel(definition)) {
        sweep["model"] = modelName(definition.kind.model);
        sweep["k"] = definition.kind.k;
    }
    if (namesFraction(definition)) {
        sweep["p"] = fractionValue(definition);
    }
    if (definition.namesSolvers) {
        Json solvers = Json::array();
        for (const SolverKind kind : definition.solvers) {
            solvers.push_back(solverName(kind));
        }
        sweep["solvers"] = solvers;
    }
    if (searchesFormulas(definition)) {
        const LocalSearchSettings& settings = definition.localSearch;
        sweep["max_flips"] = settings.maxFlips;
        const auto lists = [&](SolverKind kind) {
            return std::ranges::find(definition.solvers, kind) != definition.solvers.end();
        };
        if (lists(SolverKind::Probsat)) {
            sweep["cb"] = settings.probsat.cb;
            sweep["eps"] = settings.probsat.eps;
        }
        if (lists(SolverKind::Walksat)) {
            sweep["noise"] = settings.noise;
        }
    }
    if (definition.measures.any()) {
        sweep["measures"] = measureNames(definition.measures);
    }
    if (shard) {
        sweep["shard"] = shard->text();
    }
    return sweep;
}

}  // namespace

bool namesModel(const SweepDefinition& definition) {
    return !definition.kind.isClassic();
}

bool namesFraction(const SweepDefinition& definition) {
    return definition.kind.model == FormulaModel::Mixed;
}

double fractionValue(const SweepDefinition& definition) {
    return Ratio{definition.kind.pMillionths}.value();
}

std::string fractionJson(const SweepDefinition& definition) {
    return Json(fractionValue(definition)).dump();
}

CostColumns cellCostColumns(const SweepDefinition& definition) {
    if (!definition.namesSolvers) {
        return {"median_steps", "q1_steps", "q3_steps", "mean_steps", "max_steps"};
    }
    return {"median_cost", "q1_cost", "q3_cost", "mean_cost", "max_cost"};
}

std::string_view formulaCostColumn(const SweepDefinition& definition, std::size_t solver) {
    // Per solver, in the order of SolverKind.
    static constexpr std::string_view kCostColumns[] = {"splitting_cost", "dpll_cost",
                                                        "cdcl_cost",      "lookahead_cost",
                                                        "probsat_cost",   "walksat_cost"};
    static_assert(std::size(kCostColumns) == kSolverCount, "a column for every solver");
    if (!definition.namesSolvers) {
        return "steps";
    }
    return kCostColumns[static_cast<std::size_t>(definition.solvers[solver])];
}

std::string_view formulaSolvedColumn(SolverKind kind) {
    assert(!isComplete(kind));
    return kind == SolverKind::Probsat ? "probsat_solved" : "walksat_solved";
}

std::size_t recordsPerCell(const SweepDefinition& definition) {
    return definition.perFormula ? static_cast<std::size_t>(definition.trials)
                                 : definition.solvers.size();
}

std::optional<SweepDefinition> previousLayout(const SweepDefinition& definition) {
    if (!definition.perFormula || !definition.recordsLookaheads ||
        std::find(definition.solvers.begin(), definition.solvers.end(), SolverKind::Lookahead) ==
            definition.solvers.end()) {
        return std::nullopt;
    }
    SweepDefinition older = definition;
    older.recordsLookaheads = false;
    return older;
}

std::vector<std::string_view> recordColumns(const SweepDefinition& definition) {
    std::vector<std::string_view> columns = {"cell", "vars", "clauses", "ratio"};
    if (definition.perFormula) {
        columns.insert(columns.end(), {"trial", "start_state"});
        if (decidesFormulas(definition)) {
            columns.emplace_back("satisfiable");
        }
        for (std::size_t i = 0; i < definition.solvers.size(); ++i) {
            const SolverKind kind = definition.solvers[i];
            columns.push_back(formulaCostColumn(definition, i));
            if (kind == SolverKind::Dpll) {
                columns.push_back(kPropagationsColumn);
            }
            if (kind == SolverKind::Lookahead && definition.recordsLookaheads) {
                columns.push_back(kLookaheadsColumn);
            }
            if (!isComplete(kind)) {
                columns.push_back(formulaSolvedColumn(kind));
            }
        }
        if (definition.measures.backbone) {
            columns.push_back(kBackboneColumn);
        }
        if (definition.measures.solutions) {
            columns.push_back(kSolutionsColumn);
        }
    } else {
        columns.emplace_back("trials");
        if (decidesFormulas(definition)) {
            columns.insert(columns.end(), {"unsat", "sat_fraction", "sat_low", "sat_high"});
        }
        if (searchesFormulas(definition)) {
            columns.insert(columns.end(),
                           {"solved", "solved_fraction", "solved_low", "solved_high"});
        }
        if (definition.namesSolvers) {
            columns.insert(columns.end(), {"solver", "cost_unit"});
        }
        const CostColumns cost = cellCostColumns(definition);
        columns.insert(columns.end(), {cost.median, cost.q1, cost.q3, cost.mean, cost.max,
                                       "seconds", "start_state"});
        if (definition.measures.any()) {
            columns.push_back(kMeasuredColumn);
        }
        if (definition.measures.backbone) {
            columns.insert(columns.end(), std::begin(kBackboneSpreadColumns),
                           std::end(kBackboneSpreadColumns));
        }
        if (definition.measures.solutions) {
            columns.insert(columns.end(), std::begin(kEntropySpreadColumns),
                           std::end(kEntropySpreadColumns));
        }
    }
    if (namesModel(definition)) {
        columns.insert(columns.begin() + kModelColumnsAt, std::begin(kModelColumns),
                       std::end(kModelColumns));
    }
    if (namesFraction(definition)) {
        columns.insert(columns.begin() + kModelColumnsAt + std::size(kModelColumns),
                       kFractionColumn);
    }
    return columns;
}

std::string shortestText(double value) {
    char text[32];
    const auto result = std::to_chars(text, text + sizeof text, value);
    return {text, result.ptr};
}

std::string ratioJson(Ratio ratio) {
    return Json(ratio.value()).dump();
}

std::string sweepIdentity(const SweepDefinition& definition, std::optional<Shard> shard) {
    return Json{{"sweep", sweepObject(definition, shard)}}.dump();
}

std::string outputPreamble(OutputFormat format, const SweepDefinition& definition,
                           std::optional<Shard> shard) {
    switch (format) {
        case OutputFormat::Table:
            return "";
        case OutputFormat::Csv: {
            std::string header;
            for (const std::string_view column : recordColumns(definition)) {
                header += header.empty() ? "" : ",";
                header += column;
            }
            return header + "\n";
        }
        case OutputFormat::JsonLines: {
            Json sweep = sweepObject(definition, shard);
            sweep["version"] = programVersion();
            sweep["commit"] = programCommit();
            return Json{{"sweep", sweep}}.dump() + "\n";
        }
    }
    return "";
}

namespace {

// The classic layout of one size's table: its header before the first
// ratio, a row per ratio, an empty line after the last. A local search's
// table counts the formulas it left unsolved where a complete solver's
// counts the unsatisfiable ones. A sweep's measures follow, as their medians.
void appendTableRow(const SweepCell& cell, const CellSummary& summary, bool complete,
                    const Measures& measures, std::string& out) {
    std::ostringstream text;
    if (cell.firstOfSize) {
        text << "Num of vars : " << cell.vars << "\n-\n"
             << (complete ? "Clause per variable | Contradictions | Median"
                          : "Clause per variable | Unsolved | Median")
             << (measures.backbone ? " | Backbone" : "") << (measures.solutions ? " | Entropy" : "")
             << " \n";
    }
    text << cell.ratio.value() << "      "
         << (complete ? summary.unsatisfiable : summary.trials - summary.solved) << "      "
         << summary.median;
    if (measures.backbone) {
        text << "      " << summary.measures.backbone.median;
    }
    if (measures.solutions) {
        text << "      " << summary.measures.entropy.median;
    }
    text << "\n";
    if (cell.lastOfSize) {
        text << "\n";
    }
    out += text.str();
}

}  // namespace

CellTextWriter::CellTextWriter(OutputFormat format, const SweepDefinition& definition)
    : format_(format), definition_(definition), heldTables_(definition.solvers.size()) {}

void CellTextWriter::append(const FinishedCell& finished, std::string& out) {
    const SweepDefinition& definition = definition_;
    const std::size_t solvers = definition.solvers.size();
    assert(finished.summaries.size() == solvers && finished.solverSeconds.size() == solvers);
    if (format_ == OutputFormat::Table) {
        if (!definition.namesSolvers) {
            appendTableRow(finished.cell, finished.summaries[0], true, definition.measures, out);
            return;
        }
        for (std::size_t i = 0; i < solvers; ++i) {
            std::string& table = heldTables_[i];
            if (finished.cell.firstOfSize) {
                const SolverKind kind = definition.solvers[i];
                table.append("Solver : ")
                    .append(solverName(kind))
                    .append(" (cost in ")
                    .append(costUnit(kind))
                    .append(")\n");
            }
            appendTableRow(finished.cell, finished.summaries[i], isComplete(definition.solvers[i]),
                           definition.measures, table);
        }
        if (finished.cell.lastOfSize) {
            flush(out);
        }
        return;
    }
    const std::vector<std::string_view> columns = recordColumns(definition);
    const auto emit = [&](const Values& values) {
        if (format_ == OutputFormat::Csv) {
            appendCsvRow(values, out);
        } else {
            appendJsonLine(columns, values, out);
        }
    };
    if (!definition.perFormula) {
        for (std::size_t i = 0; i < solvers; ++i) {
            emit(cellValues(definition, finished, i));
        }
        return;
    }
    for (std::size_t trial = 0; trial < finished.formulas.size(); ++trial) {
        emit(formulaValues(definition, finished, trial));
    }
}

void CellTextWriter::flush(std::string& out) {
    for (std::string& table : heldTables_) {
        out += table;
        table.clear();
    }
}

bool isSweepOutputStart(std::string_view start) {
    // The CSV headers (per cell, per formula, with or without a model's
    // columns), the JSON Lines sweep line, and the table's first line with
    // or without solvers.
    constexpr std::string_view kStarts[] = {"cell,vars,clauses,ratio,", R"({"sweep":)",
                                            "Num of vars : ", "Solver : "};
    return start.empty() || std::ranges::any_of(kStarts, [start](std::string_view known) {
               return start.substr(0, known.size()) == known.substr(0, start.size());
           });
}

}  // namespace satphase
