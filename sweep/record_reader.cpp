#include "sweep/record_reader.h"

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <limits>
#include <nlohmann/json.hpp>
#include <set>
#include <tuple>
#include <vector>

#include "formula/formula.h"
#include "random/random_stream.h"
#include "sweep/numbers.h"

namespace satphase {

namespace {

using Json = nlohmann::json;

// How a value was written: a JSON integer, float, truth value, string or
// array, or a CSV field, which is text of any of these.
enum class Kind { Integer, Float, Bool, String, Null, Array, Csv };

struct Field {
    std::string key;  // with the keys of the objects around it: "sweep.vars"
    Kind kind = Kind::Null;
    std::string text;      // integers and floats exactly as written
    bool element = false;  // an element of the array before it
};

// Reads a JSON object flat, as SAX events, refusing anything nested deeper
// than `maxDepth` objects or arrays within arrays: no input can make the
// parser recurse, and nothing but the fields is kept.
class FlatJson final : public nlohmann::json_sax<Json> {
  public:
    explicit FlatJson(int maxDepth) : maxDepth_(maxDepth) {}

    std::vector<Field> fields;

    bool null() override { return add(Kind::Null, "null"); }
    bool boolean(bool value) override { return add(Kind::Bool, value ? "true" : "false"); }
    bool number_integer(number_integer_t value) override {
        return add(Kind::Integer, std::to_string(value));
    }
    bool number_unsigned(number_unsigned_t value) override {
        return add(Kind::Integer, std::to_string(value));
    }
    bool number_float(number_float_t /*value*/, const string_t& text) override {
        return add(Kind::Float, text);
    }
    bool string(string_t& value) override { return add(Kind::String, value); }
    bool binary(binary_t& /*value*/) override { return false; }
    bool start_object(std::size_t /*elements*/) override {
        if (inArray_ || depth_ >= maxDepth_) {
            return false;
        }
        if (depth_ > 0) {
            enclosing_.push_back(key_);
        }
        ++depth_;
        key_.clear();
        return true;
    }
    bool key(string_t& name) override {
        key_ = name;
        return true;
    }
    bool end_object() override {
        --depth_;
        if (depth_ > 0) {
            key_ = enclosing_.back();
            enclosing_.pop_back();
        }
        return true;
    }
    bool start_array(std::size_t /*elements*/) override {
        if (inArray_ || depth_ == 0) {
            return false;
        }
        fields.push_back(Field{path(), Kind::Array, "", false});
        inArray_ = true;
        return true;
    }
    bool end_array() override {
        inArray_ = false;
        return true;
    }
    bool parse_error(std::size_t /*position*/, const std::string& /*token*/,
                     const nlohmann::detail::exception& /*error*/) override {
        return false;
    }

  private:
    std::string path() const {
        std::string text;
        for (const std::string& name : enclosing_) {
            text += name + ".";
        }
        return text + key_;
    }
    bool add(Kind kind, std::string text) {
        if (depth_ == 0) {
            return false;  // not an object
        }
        fields.push_back(Field{path(), kind, std::move(text), inArray_});
        return true;
    }

    int maxDepth_;
    int depth_ = 0;
    bool inArray_ = false;
    std::vector<std::string> enclosing_;  // the keys of the objects around the current one
    std::string key_;
};

// Parses `line` as a JSON object no deeper than `maxDepth`; false when it is not one.
bool parseFlat(std::string_view line, int maxDepth, std::vector<Field>& fields) {
    FlatJson sax(maxDepth);
    if (!Json::sax_parse(line.begin(), line.end(), &sax)) {
        return false;
    }
    fields = std::move(sax.fields);
    return true;
}

// The columns of one record by name, each read as the type it must have;
// the first problem met is kept and every later read is ignored.
class Columns {
  public:
    Columns(std::vector<std::string_view> names, std::vector<std::string_view> texts,
            std::vector<Kind> kinds)
        : names_(std::move(names)), texts_(std::move(texts)), kinds_(std::move(kinds)) {}

    std::optional<std::string> problem;

    std::int64_t integer(std::string_view name, std::int64_t low, std::int64_t high) {
        const std::size_t at = find(name);
        if (problem || !integral(at)) {
            return fail(name, "a whole number"), low;
        }
        const auto value = parseWholeNumber(texts_[at]);
        if (!value || *value < low || *value > high) {
            return fail(name,
                        "a whole number in " + std::to_string(low) + " .. " + std::to_string(high)),
                   low;
        }
        return *value;
    }

    std::uint64_t count(std::string_view name) {
        const std::size_t at = find(name);
        if (problem || !integral(at)) {
            return fail(name, "a whole number"), 0;
        }
        const auto value = parseCount(texts_[at]);
        if (!value) {
            return fail(name, "a whole number in 0 .. 2^64 - 1"), 0;
        }
        return *value;
    }

    double real(std::string_view name) {
        const std::size_t at = find(name);
        if (problem ||
            (kinds_[at] != Kind::Csv && kinds_[at] != Kind::Float && kinds_[at] != Kind::Integer)) {
            return fail(name, "a number"), 0;
        }
        const auto value = parseRealNumber(texts_[at]);
        if (!value) {
            return fail(name, "a finite number"), 0;
        }
        return *value;
    }

    bool truth(std::string_view name) {
        const std::size_t at = find(name);
        if (!problem) {
            const std::string_view text = texts_[at];
            if (kinds_[at] == Kind::Csv && (text == "1" || text == "0")) {
                return text == "1";
            }
            if (kinds_[at] == Kind::Bool) {
                return text == "true";
            }
        }
        return fail(name, "1 or 0 (true or false)"), false;
    }

    // The column must be exactly `expected`, as the writer writes it.
    void exactly(std::string_view name, std::string_view expected, bool string = false) {
        const std::size_t at = find(name);
        if (problem) {
            return;
        }
        const bool kindFits = kinds_[at] == Kind::Csv ||
                              (string ? kinds_[at] == Kind::String
                                      : kinds_[at] == Kind::Float || kinds_[at] == Kind::Integer);
        if (!kindFits || texts_[at] != expected) {
            std::string wanted(1, '\'');  // appended, not a chain of +: g++ 12 warns falsely
            wanted.append(expected).append("', as this sweep has it");
            fail(name, wanted);
        }
    }

    void fail(std::string_view name, const std::string& wanted) {
        if (!problem) {
            const std::size_t at = find(name);
            problem = std::string(name) + " is '" +
                      std::string(at < texts_.size() ? texts_[at] : "") + "', not " + wanted;
        }
    }

  private:
    std::size_t find(std::string_view name) const {
        for (std::size_t i = 0; i < names_.size(); ++i) {
            if (names_[i] == name) {
                return i;
            }
        }
        return names_.size();  // never: the names were checked against the columns
    }
    bool integral(std::size_t at) const {
        return kinds_[at] == Kind::Csv || kinds_[at] == Kind::Integer;
    }

    std::vector<std::string_view> names_;
    std::vector<std::string_view> texts_;
    std::vector<Kind> kinds_;
};

// Values read as doubles that the writer computed from whole numbers agree
// with them to the last few bits, whichever machine computed them.
bool agrees(double read, double computed) {
    return std::fabs(read - computed) <= 1e-12;
}

// A cell's measures: every satisfiable formula measured, and each spread's
// values fractions in order.
std::optional<std::string> checkCellMeasures(Columns& c, const SweepDefinition& definition,
                                             CellSummary& s) {
    const Measures& taken = definition.measures;
    if (!taken.any()) {
        return std::nullopt;
    }
    CellMeasures& m = s.measures;
    const std::int32_t satisfiable = s.trials - s.unsatisfiable;
    m.measured = static_cast<std::int32_t>(c.integer(kMeasuredColumn, satisfiable, satisfiable));
    if (c.problem) {
        return "measured is not " + std::to_string(satisfiable) +
               ", the satisfiable formulas of the cell";
    }
    for (const auto& [measure, columns, spread] :
         {std::tuple{taken.backbone, kBackboneSpreadColumns, &m.backbone},
          std::tuple{taken.solutions, kEntropySpreadColumns, &m.entropy}}) {
        if (!measure) {
            continue;
        }
        spread->median = c.real(columns[0]);
        spread->lowerQuartile = c.real(columns[1]);
        spread->upperQuartile = c.real(columns[2]);
        spread->mean = c.real(columns[3]);
        if (c.problem) {
            return c.problem;
        }
        const MeasureSpread& v = *spread;
        if (!(0 <= v.lowerQuartile && v.lowerQuartile <= v.median && v.median <= v.upperQuartile &&
              v.upperQuartile <= 1 && 0 <= v.mean && v.mean <= 1)) {
            return std::string(columns[1])
                .append(", ")
                .append(columns[0])
                .append(" and ")
                .append(columns[2])
                .append(" are not fractions in order, or ")
                .append(columns[3])
                .append(" is no fraction");
        }
    }
    return std::nullopt;
}

// A formula's measures: a fraction of its variables in the backbone, and a
// number of solutions that 2^vars bounds; both 0 exactly when it is
// unsatisfiable (the solutions), or always then (the backbone).
std::optional<std::string> checkFormulaMeasures(Columns& c, const SweepDefinition& definition,
                                                std::int32_t vars, FormulaResult& r) {
    if (definition.measures.backbone) {
        r.backbone = c.real(kBackboneColumn);
        const double size = r.backbone * vars;
        if (!c.problem &&
            (r.backbone < 0 || r.backbone > 1 || std::fabs(size - std::round(size)) > 1e-9 ||
             (!r.satisfiable && r.backbone != 0))) {
            return "backbone is " + shortestText(r.backbone) + ", not a fraction of the " +
                   std::to_string(vars) + " variables" +
                   (r.satisfiable ? "" : " (0 for an unsatisfiable formula)");
        }
    }
    if (definition.measures.solutions) {
        r.solutions = c.count(kSolutionsColumn);
        const bool fits = vars >= 64 || r.solutions <= (std::uint64_t{1} << vars);
        if (!c.problem && (!fits || (r.solutions > 0) != r.satisfiable)) {
            return "solutions is " + std::to_string(r.solutions) + ", not a count of " +
                   (r.satisfiable ? "at least 1 and at most 2^" + std::to_string(vars)
                                  : std::string("0 for an unsatisfiable formula"));
        }
    }
    r.measuredSatisfiable = r.satisfiable;
    return c.problem;
}

std::optional<std::string> checkCellRecord(Columns& c, const SweepDefinition& definition,
                                           std::string_view solverText, RecordRead& out) {
    const auto [median, q1, q3, mean, max] = cellCostColumns(definition);
    if (definition.namesSolvers) {
        const auto kind = parseSolver(solverText);
        const auto at = kind
                            ? std::find(definition.solvers.begin(), definition.solvers.end(), *kind)
                            : definition.solvers.end();
        if (at == definition.solvers.end()) {
            return "solver is '" + std::string(solverText) + "', not one this sweep lists";
        }
        out.solver = static_cast<std::size_t>(at - definition.solvers.begin());
        c.exactly("cost_unit", costUnit(*kind), true);
        if (c.problem) {
            return c.problem;
        }
    }
    const std::int64_t trials = c.integer("trials", definition.trials, definition.trials);
    if (c.problem) {
        return "trials is not " + std::to_string(definition.trials) + ", as this sweep has it";
    }
    CellSummary& s = out.summary;
    s.trials = static_cast<std::int32_t>(trials);
    const bool decides = decidesFormulas(definition);
    const bool searches = searchesFormulas(definition);
    if (decides) {
        s.unsatisfiable = static_cast<std::int32_t>(c.integer("unsat", 0, trials));
        s.satFraction = c.real("sat_fraction");
        s.satLow = c.real("sat_low");
        s.satHigh = c.real("sat_high");
    }
    if (searches) {
        s.solved = static_cast<std::int32_t>(c.integer("solved", 0, trials));
        s.solvedFraction = c.real("solved_fraction");
        s.solvedLow = c.real("solved_low");
        s.solvedHigh = c.real("solved_high");
    }
    s.median = c.count(median);
    s.lowerQuartile = c.count(q1);
    s.upperQuartile = c.count(q3);
    s.mean = c.real(mean);
    s.max = c.count(max);
    out.seconds = c.real("seconds");
    out.startState = static_cast<std::int32_t>(
        c.integer("start_state", RandomStream::kMinState, RandomStream::kMaxState));
    if (c.problem) {
        return c.problem;
    }
    const SatInterval interval = satInterval(s.unsatisfiable, s.trials);
    if (decides && (!agrees(s.satFraction, interval.fraction) || !agrees(s.satLow, interval.low) ||
                    !agrees(s.satHigh, interval.high))) {
        return "sat_fraction, sat_low and sat_high are not what unsat " +
               std::to_string(s.unsatisfiable) + " of " + std::to_string(s.trials) + " gives";
    }
    const SatInterval solved = satInterval(s.trials - s.solved, s.trials);
    if (searches && (!agrees(s.solvedFraction, solved.fraction) ||
                     !agrees(s.solvedLow, solved.low) || !agrees(s.solvedHigh, solved.high))) {
        return "solved_fraction, solved_low and solved_high are not what solved " +
               std::to_string(s.solved) + " of " + std::to_string(s.trials) + " gives";
    }
    const SolverKind kind = definition.solvers[out.solver];
    if (decides && searches &&
        (isComplete(kind) ? s.solved != s.trials - s.unsatisfiable
                          : s.solved > s.trials - s.unsatisfiable)) {
        return "solved is " + std::to_string(s.solved) + ", but " +
               std::to_string(s.trials - s.unsatisfiable) + " formulas are satisfiable";
    }
    if (!(s.lowerQuartile <= s.median && s.median <= s.upperQuartile && s.upperQuartile <= s.max)) {
        return std::string(q1)
            .append(", ")
            .append(median)
            .append(", ")
            .append(q3)
            .append(" and ")
            .append(max)
            .append(" are not in order");
    }
    if (s.mean < 0 || s.mean > static_cast<double>(s.max) || out.seconds < 0) {
        return std::string(mean)
            .append(" is beyond ")
            .append(max)
            .append(", or a value is negative");
    }
    return checkCellMeasures(c, definition, s);
}

}  // namespace

std::variant<SweepHeader, std::string> readSweepLine(std::string_view line) {
    std::vector<Field> fields;
    if (!parseFlat(line, 2, fields)) {
        return std::string("not a sweep line: not a JSON object of the form {\"sweep\":{...}}");
    }
    SweepHeader header;
    SweepDefinition& d = header.definition;
    d.trials = -1;
    d.seed = -1;
    bool perFormula = false;
    bool sawVars = false;
    bool sawRatios = false;
    bool sawModel = false;
    bool sawK = false;
    bool sawP = false;
    bool sawSolvers = false;
    std::vector<SolverKind> listed;      // the sweep line's solvers, in order
    std::vector<std::string> measures;   // the sweep line's measures, in order
    std::vector<std::string> localKeys;  // the local searches' settings it names
    const auto wrong = [](const Field& field, const char* wanted) {
        return "the sweep line's " + field.key + " is '" + field.text + "', not " + wanted;
    };
    std::set<std::string> seen;
    for (const Field& field : fields) {
        if (field.element) {
            if (field.key == "sweep.solvers") {
                const auto kind = parseSolver(field.text);
                if (field.kind != Kind::String || !kind) {
                    return wrong(field, ("a solver: " + solverChoices()).c_str());
                }
                if (std::find(listed.begin(), listed.end(), *kind) != listed.end()) {
                    return wrong(field, "a solver not listed before");
                }
                listed.push_back(*kind);
            } else if (field.key == "sweep.measures") {
                if (field.kind != Kind::String) {
                    return wrong(field, "a measure: backbone or solutions");
                }
                measures.push_back(field.text);
            } else if (field.key == "sweep.vars") {
                const auto vars = parseWholeNumber(field.text);
                // The limit of the sweep's solvers and model is definitionProblem's.
                if (field.kind != Kind::Integer || !vars || *vars < 3 ||
                    *vars > kSearchedLimits.vars) {
                    return wrong(field, "a size in 3 .. 1000000");
                }
                d.vars.push_back(static_cast<std::int32_t>(*vars));
            } else {
                const auto value = parseRealNumber(field.text);
                if (field.kind != Kind::Float || !value || *value <= 0 ||
                    *value > kMaxFormulaClauses) {
                    return wrong(field, "a ratio in (0, 100000]");
                }
                const Ratio ratio{std::llround(*value * 1e6)};
                if (ratioJson(ratio) != field.text) {
                    return wrong(field, "a ratio of at most six places, as the sweep writes it");
                }
                d.ratios.push_back(ratio);
            }
            continue;
        }
        const std::string& key = field.key;
        if (!seen.insert(key).second) {
            return "the sweep line names " + key + " twice";
        }
        if (key == "sweep.vars" || key == "sweep.ratios") {
            if (field.kind != Kind::Array) {
                return wrong(field, "a list");
            }
            (key == "sweep.vars" ? sawVars : sawRatios) = true;
        } else if (key == "sweep.solvers" || key == "sweep.measures") {
            if (field.kind != Kind::Array) {
                return wrong(field, "a list");
            }
            sawSolvers = sawSolvers || key == "sweep.solvers";
        } else if (key == "sweep.trials" || key == "sweep.seed" || key == "sweep.k") {
            const auto value = parseWholeNumber(field.text);
            if (field.kind != Kind::Integer || !value || *value < 0 ||
                *value > std::numeric_limits<std::int32_t>::max()) {
                return wrong(field, "a whole number in 0 .. 2147483647");
            }
            const auto number = static_cast<std::int32_t>(*value);
            (key == "sweep.trials" ? d.trials : key == "sweep.seed" ? d.seed : d.kind.k) = number;
            sawK = sawK || key == "sweep.k";
        } else if (key == "sweep.p") {
            const auto value = parseRealNumber(field.text);
            if (field.kind != Kind::Float || !value || *value < 0 || *value > 1) {
                return wrong(field, "a fraction p from 0 to 1");
            }
            d.kind.pMillionths = static_cast<std::int32_t>(std::llround(*value * kWholeFraction));
            if (fractionJson(d) != field.text) {
                return wrong(field, "a p of at most six places, as the sweep writes it");
            }
            sawP = true;
        } else if (key == "sweep.per_formula") {
            if (field.kind != Kind::Bool) {
                return wrong(field, "true or false");
            }
            perFormula = field.text == "true";
            d.perFormula = perFormula;
        } else if (key == "sweep.model") {
            const auto model = parseModel(field.text);
            if (field.kind != Kind::String || !model) {
                return wrong(field, "a formula model");
            }
            d.kind.model = *model;
            sawModel = true;
        } else if (key == "sweep.shard") {
            header.shard = parseShard(field.text);
            if (field.kind != Kind::String || !header.shard) {
                return wrong(field, "I/K with 1 <= I <= K <= 100000");
            }
        } else if (key == "sweep.max_flips") {
            const auto value = parseWholeNumber(field.text);
            if (field.kind != Kind::Integer || !value || *value < 0) {
                return wrong(field, "a whole number of flips, 0 or more");
            }
            d.localSearch.maxFlips = static_cast<std::uint64_t>(*value);
            localKeys.push_back(key);
        } else if (key == "sweep.cb" || key == "sweep.eps" || key == "sweep.noise") {
            const auto value = parseRealNumber(field.text);
            if ((field.kind != Kind::Float && field.kind != Kind::Integer) || !value) {
                return wrong(field, "a number");
            }
            (key == "sweep.cb"    ? d.localSearch.probsat.cb
             : key == "sweep.eps" ? d.localSearch.probsat.eps
                                  : d.localSearch.noise) = *value;
            localKeys.push_back(key);
        } else if (key == "sweep.version" || key == "sweep.commit") {
            if (field.kind != Kind::String) {
                return wrong(field, "a string");
            }
            (key == "sweep.version" ? header.version : header.commit) = field.text;
        } else {
            return "the sweep line has a key '" + key + "' that no sweep writes";
        }
    }
    if (!sawVars || !sawRatios || d.trials < 0 || d.seed < 0 || sawModel != sawK) {
        return std::string("the sweep line lacks some of vars, ratios, trials, seed, model, k");
    }
    if (sawP != (d.kind.model == FormulaModel::Mixed)) {
        return std::string(sawP ? "the sweep line gives p, which only a mixed sweep has"
                                : "the sweep line of a mixed sweep lacks its p");
    }
    if (sawSolvers) {
        if (listed.empty()) {
            return std::string(
                "the sweep line's solvers is an empty list; a sweep lists one or more");
        }
        d.solvers = std::move(listed);
        d.namesSolvers = true;
    }
    if (!measures.empty()) {
        std::string list;
        for (const std::string& name : measures) {
            list += (list.empty() ? "" : ",") + name;
        }
        // As the sweep writes them: each once, in their order.
        if (parseMeasureList(list, d.measures) ||
            measureNames(d.measures) !=
                std::vector<std::string_view>(measures.begin(), measures.end())) {
            return "the sweep line's measures are '" + list +
                   "', not backbone, solutions or both in that order";
        }
    } else if (seen.contains("sweep.measures")) {
        return std::string("the sweep line's measures is an empty list; a sweep lists one or both");
    }
    // The local searches' settings: those of the solvers listed, and no others.
    std::vector<std::string> wantedKeys;
    if (searchesFormulas(d)) {
        wantedKeys.emplace_back("sweep.max_flips");
    }
    for (const SolverKind kind : d.solvers) {
        if (kind == SolverKind::Probsat) {
            wantedKeys.insert(wantedKeys.end(), {"sweep.cb", "sweep.eps"});
        } else if (kind == SolverKind::Walksat) {
            wantedKeys.emplace_back("sweep.noise");
        }
    }
    std::ranges::sort(localKeys);
    std::ranges::sort(wantedKeys);
    if (localKeys != wantedKeys) {
        return std::string(
            "the sweep line's max_flips, cb, eps and noise are not those of the "
            "local searches it lists");
    }
    if (auto problem = definitionProblem(d)) {
        return "the sweep line's sweep cannot be run: " + *problem;
    }
    return header;
}

std::optional<std::string> readRecord(OutputFormat format, std::string_view line,
                                      const SweepDefinition& definition,
                                      std::span<const SweepCell> cells, RecordRead& out) {
    const std::vector<std::string_view> columns = recordColumns(definition);
    std::vector<Field> fields;
    std::vector<std::string_view> names;
    std::vector<std::string_view> texts;
    std::vector<Kind> kinds;
    if (format == OutputFormat::JsonLines) {
        if (!parseFlat(line, 1, fields)) {
            return std::string("not a flat JSON object");
        }
        for (const Field& field : fields) {
            names.push_back(field.key);
            texts.push_back(field.text);
            kinds.push_back(field.kind);
        }
        // Every column exactly once, and nothing else.
        if (names.size() != columns.size()) {
            return "has " + std::to_string(names.size()) + " keys; a record of this sweep has " +
                   std::to_string(columns.size());
        }
        for (const std::string_view column : columns) {
            if (std::count(names.begin(), names.end(), column) != 1) {
                return "lacks the key " + std::string(column) + " or names it twice";
            }
        }
    } else {
        names = columns;
        std::size_t start = 0;
        for (;;) {
            const std::size_t comma = line.find(',', start);
            texts.push_back(line.substr(start, comma - start));
            kinds.push_back(Kind::Csv);
            if (comma == std::string_view::npos) {
                break;
            }
            start = comma + 1;
        }
        if (texts.size() != columns.size()) {
            return "has " + std::to_string(texts.size()) + " fields; a record of this sweep has " +
                   std::to_string(columns.size());
        }
    }
    Columns c(names, texts, kinds);
    const auto cell = c.integer("cell", 0, static_cast<std::int64_t>(cells.size()) - 1);
    if (c.problem) {
        return c.problem;
    }
    out = RecordRead{};
    out.cell = static_cast<std::int32_t>(cell);
    const SweepCell& expected = cells[static_cast<std::size_t>(cell)];
    const auto same = [&](std::string_view name, std::int64_t value) {
        c.integer(name, value, value);
    };
    same("vars", expected.vars);
    same("clauses", expected.clauses);
    c.exactly("ratio", format == OutputFormat::Csv ? shortestText(expected.ratio.value())
                                                   : ratioJson(expected.ratio));
    if (namesModel(definition)) {
        c.exactly("model", modelName(definition.kind.model), true);
        same("k", definition.kind.k);
    }
    if (namesFraction(definition)) {
        c.exactly(kFractionColumn, format == OutputFormat::Csv
                                       ? shortestText(fractionValue(definition))
                                       : fractionJson(definition));
    }
    if (c.problem) {
        return "cell " + std::to_string(cell) + ": " + *c.problem;
    }
    if (!definition.perFormula) {
        std::string_view solver;
        if (definition.namesSolvers) {
            solver = texts[static_cast<std::size_t>(
                std::find(names.begin(), names.end(), "solver") - names.begin())];
        }
        return checkCellRecord(c, definition, solver, out);
    }
    out.trial = static_cast<std::int32_t>(c.integer("trial", 0, definition.trials - 1));
    out.startState = static_cast<std::int32_t>(
        c.integer("start_state", RandomStream::kMinState, RandomStream::kMaxState));
    out.formula.startState = out.startState;
    const bool decides = decidesFormulas(definition);
    out.formula.satisfiable = decides && c.truth("satisfiable");
    for (std::size_t i = 0; i < definition.solvers.size(); ++i) {
        const SolverKind kind = definition.solvers[i];
        out.formula.costs[i] = c.count(formulaCostColumn(definition, i));
        if (kind == SolverKind::Dpll) {
            out.formula.propagations = c.count(kPropagationsColumn);
        }
        if (kind == SolverKind::Lookahead && definition.recordsLookaheads) {
            out.formula.lookaheads = c.count(kLookaheadsColumn);
        }
        out.formula.solved[i] =
            isComplete(kind) ? out.formula.satisfiable : c.truth(formulaSolvedColumn(kind));
        if (!c.problem && decides && out.formula.solved[i] && !out.formula.satisfiable) {
            return std::string(formulaSolvedColumn(kind)) +
                   " is true, but the formula is unsatisfiable";
        }
    }
    if (c.problem) {
        return c.problem;
    }
    return checkFormulaMeasures(c, definition, expected.vars, out.formula);
}

bool LineReader::next(std::string& line) {
    if (!std::getline(in_, line)) {
        failed_ = in_.bad();
        return false;
    }
    if (in_.eof()) {
        // The last line had no newline: torn, or the file ends mid-write.
        torn_ = std::move(line);
        failed_ = in_.bad();
        return false;
    }
    ++number_;
    offset_ += line.size() + 1;
    return true;
}

std::optional<std::string> unreadableFile(const std::string& path) {
    std::error_code error;
    const std::filesystem::file_status status = std::filesystem::status(path, error);
    if (error || !std::filesystem::exists(status)) {
        return path + ": no such file";
    }
    if (std::filesystem::is_directory(status)) {
        return path + ": is a directory, not a file";
    }
    if (!std::filesystem::is_regular_file(status)) {
        return path + ": is not a regular file (a FIFO, socket or device)";
    }
    return std::nullopt;
}

}  // namespace satphase
