#include "sweep/record_format.h"

#include <charconv>
#include <nlohmann/json.hpp>
#include <sstream>

namespace {

using Json = nlohmann::ordered_json;

constexpr const char* kCellColumns =
    "cell,vars,clauses,ratio,trials,unsat,sat_fraction,sat_low,sat_high,median_steps,q1_steps,"
    "q3_steps,mean_steps,max_steps,seconds,start_state";
constexpr const char* kFormulaColumns =
    "cell,vars,clauses,ratio,trial,start_state,satisfiable,steps";

Json cellJson(const FinishedCell& f) {
    const CellSummary& s = f.summary;
    return Json{{"cell", f.cell.index},
                {"vars", f.cell.vars},
                {"clauses", f.cell.clauses},
                {"ratio", f.cell.ratio.value()},
                {"trials", s.trials},
                {"unsat", s.unsatisfiable},
                {"sat_fraction", s.satFraction},
                {"sat_low", s.satLow},
                {"sat_high", s.satHigh},
                {"median_steps", s.median},
                {"q1_steps", s.lowerQuartile},
                {"q3_steps", s.upperQuartile},
                {"mean_steps", s.mean},
                {"max_steps", s.max},
                {"seconds", f.seconds},
                {"start_state", f.startState}};
}

Json formulaJson(const FinishedCell& f, std::size_t trial) {
    const FormulaResult& r = f.formulas[trial];
    return Json{
        {"cell", f.cell.index},          {"vars", f.cell.vars}, {"clauses", f.cell.clauses},
        {"ratio", f.cell.ratio.value()}, {"trial", trial},      {"start_state", r.startState},
        {"satisfiable", r.satisfiable},  {"steps", r.steps}};
}

// One CSV row of the values of a JSON object, in its key order. Every value
// is a number or a truth value, so no field needs quoting.
void appendCsvRow(const Json& record, std::string& out) {
    bool first = true;
    for (const auto& value : record) {
        out += first ? "" : ",";
        first = false;
        if (value.is_boolean()) {
            out += value.get<bool>() ? "1" : "0";
        } else if (value.is_number_float()) {
            out += shortestText(value.get<double>());
        } else {
            out += value.dump();
        }
    }
    out += "\n";
}

}  // namespace

std::string shortestText(double value) {
    char text[32];
    const auto result = std::to_chars(text, text + sizeof text, value);
    return {text, result.ptr};
}

std::string outputPreamble(OutputFormat format, const SweepDefinition& definition,
                           std::optional<Shard> shard) {
    switch (format) {
        case OutputFormat::Table:
            return "";
        case OutputFormat::Csv:
            return std::string(definition.perFormula ? kFormulaColumns : kCellColumns) + "\n";
        case OutputFormat::JsonLines: {
            Json ratios = Json::array();
            for (const Ratio ratio : definition.ratios) {
                ratios.push_back(ratio.value());
            }
            Json sweep{{"vars", definition.vars},
                       {"ratios", ratios},
                       {"trials", definition.trials},
                       {"seed", definition.seed},
                       {"per_formula", definition.perFormula}};
            if (shard) {
                sweep["shard"] = shard->text();
            }
            return Json{{"sweep", sweep}}.dump() + "\n";
        }
    }
    return "";
}

void appendCellText(OutputFormat format, bool perFormula, const FinishedCell& finished,
                    std::string& out) {
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
    const auto emit = [&](const Json& record) {
        if (format == OutputFormat::Csv) {
            appendCsvRow(record, out);
        } else {
            out += record.dump() + "\n";
        }
    };
    if (!perFormula) {
        emit(cellJson(finished));
        return;
    }
    for (std::size_t trial = 0; trial < finished.formulas.size(); ++trial) {
        emit(formulaJson(finished, trial));
    }
}
