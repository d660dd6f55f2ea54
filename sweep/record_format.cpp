#include "sweep/record_format.h"

#include <cassert>
#include <charconv>
#include <nlohmann/json.hpp>
#include <sstream>

#include "platform/build_info.h"

namespace {

using Json = nlohmann::ordered_json;

// The values of a record, in the order of its columns.
using Values = std::vector<Json>;

void insertModel(const SweepDefinition& definition, Values& values) {
    if (namesModel(definition)) {
        values.insert(values.begin() + kModelColumnsAt,
                      {Json(modelName(definition.model)), Json(definition.k)});
    }
}

Values cellValues(const SweepDefinition& definition, const FinishedCell& f) {
    const CellSummary& s = f.summary;
    Values values{f.cell.index, f.cell.vars,     f.cell.clauses,  f.cell.ratio.value(),
                  s.trials,     s.unsatisfiable, s.satFraction,   s.satLow,
                  s.satHigh,    s.median,        s.lowerQuartile, s.upperQuartile,
                  s.mean,       s.max,           f.seconds,       f.startState};
    insertModel(definition, values);
    return values;
}

Values formulaValues(const SweepDefinition& definition, const FinishedCell& f, std::size_t trial) {
    const FormulaResult& r = f.formulas[trial];
    Values values{f.cell.index, f.cell.vars,  f.cell.clauses, f.cell.ratio.value(),
                  trial,        r.startState, r.satisfiable,  r.steps};
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
        sweep["model"] = modelName(definition.model);
        sweep["k"] = definition.k;
    }
    if (shard) {
        sweep["shard"] = shard->text();
    }
    return sweep;
}

}  // namespace

bool namesModel(const SweepDefinition& definition) {
    return definition.model != FormulaModel::Classic || definition.k != kClassicClauseLength;
}

std::vector<std::string_view> recordColumns(const SweepDefinition& definition) {
    std::vector<std::string_view> columns;
    if (definition.perFormula) {
        columns.assign(std::begin(kFormulaColumns), std::end(kFormulaColumns));
    } else {
        columns.assign(std::begin(kCellColumns), std::end(kCellColumns));
    }
    if (namesModel(definition)) {
        columns.insert(columns.begin() + kModelColumnsAt, std::begin(kModelColumns),
                       std::end(kModelColumns));
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

void appendCellText(OutputFormat format, const SweepDefinition& definition,
                    const FinishedCell& finished, std::string& out) {
    if (format == OutputFormat::Table) {
        std::ostringstream text;
        if (finished.cell.firstOfSize) {
            text << "Num of vars : " << finished.cell.vars << "\n-\n"
                 << "Clause per variable | Contradictions | Median \n";
        }
        text << finished.cell.ratio.value() << "      " << finished.summary.unsatisfiable
             << "      " << finished.summary.median << "\n";
        if (finished.cell.lastOfSize) {
            text << "\n";
        }
        out += text.str();
        return;
    }
    const std::vector<std::string_view> columns = recordColumns(definition);
    const auto emit = [&](const Values& values) {
        if (format == OutputFormat::Csv) {
            appendCsvRow(values, out);
        } else {
            appendJsonLine(columns, values, out);
        }
    };
    if (!definition.perFormula) {
        emit(cellValues(definition, finished));
        return;
    }
    for (std::size_t trial = 0; trial < finished.formulas.size(); ++trial) {
        emit(formulaValues(definition, finished, trial));
    }
}

void appendCellText(OutputFormat format, bool perFormula, const FinishedCell& finished,
                    std::string& out) {
    SweepDefinition classic;
    classic.perFormula = perFormula;
    appendCellText(format, classic, finished, out);
}
