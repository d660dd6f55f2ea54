#include "sweep/sweep_plan.h"

#include <algorithm>
#include <limits>

#include "random/classic_generator.h"
#include "random/formula_source.h"
#include "sweep/numbers.h"

namespace satphase {

namespace {

// The most values one range may stand for.
constexpr std::uint64_t kMaxRangeValues = 100000;

// Splits at commas; every piece is handed on, empty ones included.
template <typename Visit>
std::optional<std::string> forEachItem(std::string_view text, Visit visit) {
    if (text.empty()) {
        return "an empty list";
    }
    for (;;) {
        const std::size_t comma = text.find(',');
        if (auto problem = visit(text.substr(0, comma))) {
            return problem;
        }
        if (comma == std::string_view::npos) {
            return std::nullopt;
        }
        text.remove_prefix(comma + 1);
    }
}

// Splits "first:last:step" into its three parts; false when there are not three.
bool splitRange(std::string_view item, std::string_view parts[3]) {
    for (int k = 0; k < 2; ++k) {
        const std::size_t colon = item.find(':');
        if (colon == std::string_view::npos) {
            return false;
        }
        parts[k] = item.substr(0, colon);
        item.remove_prefix(colon + 1);
    }
    parts[2] = item;
    return item.find(':') == std::string_view::npos;
}

// Joins the pieces of a message; a plain chain of + on string temporaries
// trips a false warning of g++ 12.
std::string joined(std::initializer_list<std::string_view> pieces) {
    std::string text;
    for (const std::string_view piece : pieces) {
        text += piece;
    }
    return text;
}

// A range first:last:step read, with how many values it holds.
struct Range {
    std::int64_t first = 0;
    std::int64_t step = 1;
    std::int64_t values = 1;
};

// Reads one range item with `parse`; why it is no range of at most 100000
// values, or the range. The count is taken on the unsigned difference,
// which is exact for any first <= last, so no value overflows.
template <typename Parse>
std::optional<std::string> readRange(std::string_view item, const std::string_view parts[3],
                                     const char* plural, Parse parse, Range& range) {
    const auto first = parse(parts[0]);
    const auto last = parse(parts[1]);
    const auto step = parse(parts[2]);
    if (!first || !last || !step) {
        return joined({"'", item, "' is not a range first:last:step of ", plural});
    }
    if (*step <= 0 || *last < *first) {
        return joined(
            {"the range '", item, "' needs a positive step and a last value not below the first"});
    }
    const std::uint64_t span =
        static_cast<std::uint64_t>(*last) - static_cast<std::uint64_t>(*first);
    if (span / static_cast<std::uint64_t>(*step) >= kMaxRangeValues) {
        return joined({"the range '", item, "' has more than 100000 values"});
    }
    range = Range{*first, *step, static_cast<std::int64_t>(span / *step) + 1};
    return std::nullopt;
}

// Expands one list item, a number or a range, with `parse` reading each number.
template <typename Parse, typename Add>
std::optional<std::string> expandItem(std::string_view item, const char* what, const char* plural,
                                      Parse parse, Add add) {
    std::string_view parts[3];
    if (!splitRange(item, parts)) {
        const auto value = parse(item);
        if (!value) {
            return joined({"'", item, "' is not ", what});
        }
        return add(*value);
    }
    Range range;
    if (auto problem = readRange(item, parts, plural, parse, range)) {
        return problem;
    }
    for (std::int64_t k = 0; k < range.values; ++k) {
        if (auto problem = add(range.first + k * range.step)) {
            return problem;
        }
    }
    return std::nullopt;
}

// How many values a list holds, its ranges counted, not expanded; an item
// that does not read counts as one, and the parse names it afterwards.
template <typename Parse>
std::int64_t countValues(std::string_view text, Parse parse) {
    std::int64_t count = 0;
    static_cast<void>(forEachItem(text, [&](std::string_view item) -> std::optional<std::string> {
        std::string_view parts[3];
        Range range;
        if (splitRange(item, parts)) {
            static_cast<void>(readRange(item, parts, "", parse, range));
        }
        count += range.values;
        return std::nullopt;
    }));
    return count;
}

// The measures need a complete solver's verdict, beside which they decide
// every formula themselves; the backbone needs CaDiCaL, and an exact count
// of solutions has to fit the records' 64 bits: up to 64 variables, where
// only a formula without clauses would have 2^64.
std::optional<std::string> measuresProblem(const SweepDefinition& definition) {
    const Measures& measures = definition.measures;
    if (!measures.any()) {
        return std::nullopt;
    }
    if (!decidesFormulas(definition)) {
        return std::string(
            "--measure measures the satisfiable formulas, which only a complete solver tells; "
            "list one beside the local searches");
    }
#ifndef SATPHASE_HAVE_CADICAL
    if (measures.backbone) {
        return std::string("--measure backbone needs CaDiCaL, which this build does not have");
    }
#endif
    if (measures.solutions) {
        for (const std::int32_t vars : definition.vars) {
            if (vars > kMaxCountedSweepVars) {
                return "--measure solutions counts formulas of up to " +
                       std::to_string(kMaxCountedSweepVars) + " variables, not " +
                       std::to_string(vars);
            }
            for (const Ratio ratio : definition.ratios) {
                if (vars == kMaxCountedSweepVars && ratio.clausesFor(vars) == 0) {
                    return "--measure solutions: 64 variables and no clause (ratio " +
                           ratioText(ratio) +
                           ") have 2^64 solutions, one more than the records hold";
                }
            }
        }
    }
    return std::nullopt;
}

}  // namespace

std::optional<std::string> parseSizes(std::string_view text, std::vector<std::int32_t>& out,
                                      std::int32_t maxVars) {
    out.clear();
    return forEachItem(text, [&](std::string_view item) {
        return expandItem(item, "a whole number", "whole numbers", parseWholeNumber,
                          [&](std::int64_t value) -> std::optional<std::string> {
                              if (value < 3 || value > maxVars) {
                                  return std::to_string(value) + " variables is outside 3 .. " +
                                         std::to_string(maxVars);
                              }
                              out.push_back(static_cast<std::int32_t>(value));
                              return std::nullopt;
                          });
    });
}

std::optional<std::string> parseRatios(std::string_view text, std::vector<Ratio>& out) {
    out.clear();
    return forEachItem(text, [&](std::string_view item) {
        return expandItem(
            item, "a decimal number with at most six places",
            "decimal numbers with at most six places", parseMillionths,
            [&](std::int64_t millionths) -> std::optional<std::string> {
                if (millionths <= 0 ||
                    millionths > static_cast<std::int64_t>(kMaxFormulaClauses) * 1000000) {
                    return "the ratio " + ratioText(Ratio{millionths}) + " is outside (0, " +
                           std::to_string(kMaxFormulaClauses) + "]";
                }
                out.push_back(Ratio{millionths});
                return std::nullopt;
            });
    });
}

std::optional<std::int64_t> cellCount(std::string_view vars, std::string_view ratios) {
    const std::int64_t sizes = countValues(vars, parseWholeNumber);
    const std::int64_t perSize = countValues(ratios, parseMillionths);
    if (perSize > 0 && sizes > std::numeric_limits<std::int64_t>::max() / perSize) {
        return std::nullopt;
    }
    return sizes * perSize;
}

std::string ratioText(Ratio ratio) {
    std::string text = std::to_string(ratio.millionths / 1000000);
    std::int64_t fraction = ratio.millionths % 1000000;
    if (fraction != 0) {
        std::string digits = std::to_string(1000000 + fraction).substr(1);
        digits.erase(digits.find_last_not_of('0') + 1);
        text += "." + digits;
    }
    return text;
}

std::optional<std::int32_t> parseFraction(std::string_view text) {
    const auto millionths = parseMillionths(text);
    if (!millionths || *millionths > kWholeFraction) {
        return std::nullopt;
    }
    return static_cast<std::int32_t>(*millionths);
}

std::vector<SweepCell> cellsOf(const SweepDefinition& definition) {
    std::vector<SweepCell> cells;
    cells.reserve(definition.vars.size() * definition.ratios.size());
    for (const std::int32_t vars : definition.vars) {
        for (std::size_t r = 0; r < definition.ratios.size(); ++r) {
            SweepCell cell;
            cell.index = static_cast<std::int32_t>(cells.size());
            cell.vars = vars;
            cell.ratio = definition.ratios[r];
            cell.clauses = static_cast<std::int32_t>(cell.ratio.clausesFor(vars));
            cell.firstOfSize = r == 0;
            cell.lastOfSize = r + 1 == definition.ratios.size();
            cells.push_back(cell);
        }
    }
    return cells;
}

std::optional<std::string> sweepRefusal(const SweepDefinition& definition) {
    for (const std::int32_t vars : definition.vars) {
        for (const Ratio ratio : definition.ratios) {
            const std::int64_t clauses = ratio.clausesFor(vars);
            if (auto reason =
                    modelRefusal(definition.kind, vars, clauses, formulaLimits(definition))) {
                return "the cell of ratio " + ratioText(ratio) + " at " + std::to_string(vars) +
                       " variables cannot be generated: " + *reason;
            }
        }
    }
    return std::nullopt;
}

std::optional<std::string> definitionProblem(const SweepDefinition& definition) {
    if (definition.vars.empty() || definition.ratios.empty()) {
        return std::string("no sizes or no ratios");
    }
    const FormulaLimits limits = formulaLimits(definition);
    for (const std::int32_t vars : definition.vars) {
        if (vars < 3 || vars > limits.vars) {
            return std::to_string(vars) + " variables is outside 3 .. " +
                   std::to_string(limits.vars);
        }
    }
    for (const Ratio ratio : definition.ratios) {
        if (ratio.millionths <= 0 ||
            ratio.millionths > static_cast<std::int64_t>(kMaxFormulaClauses) * 1000000) {
            return "the ratio " + ratioText(ratio) + " is outside (0, " +
                   std::to_string(kMaxFormulaClauses) + "]";
        }
    }
    if (definition.trials < 1 || definition.trials > kMaxTrials) {
        return std::to_string(definition.trials) + " trials is outside 1 .. " +
               std::to_string(kMaxTrials);
    }
    if (definition.seed < kMinSeed || definition.seed > kMaxSeed) {
        return "the seed " + std::to_string(definition.seed) + " is outside " +
               std::to_string(kMinSeed) + " .. " + std::to_string(kMaxSeed);
    }
    if (const std::optional<std::string_view> problem = widthProblem(definition.kind)) {
        return "clauses of " + std::to_string(definition.kind.k) +
               " literals: " + std::string(*problem);
    }
    if (definition.kind.model == FormulaModel::Mixed
            ? definition.kind.pMillionths < 0 || definition.kind.pMillionths > kWholeFraction
            : definition.kind.pMillionths != 0) {
        return std::string(definition.kind.model == FormulaModel::Mixed
                               ? "the mixed model's p is outside 0 .. 1"
                               : "a p, which only the mixed model has");
    }
    if (auto problem = localSearchProblem(definition.localSearch)) {
        return problem;
    }
    if (auto problem = measuresProblem(definition)) {
        return problem;
    }
    const auto cells = static_cast<std::int64_t>(definition.vars.size()) *
                       static_cast<std::int64_t>(definition.ratios.size());
    if (cells > kMaxCells) {
        return std::to_string(cells) + " cells (sizes x ratios) is more than the " +
               std::to_string(kMaxCells) + " a sweep may have";
    }
    return sweepRefusal(definition);
}

std::optional<std::string> parseMeasureList(std::string_view text, Measures& out) {
    out = {};
    std::size_t start = 0;
    for (;;) {
        const std::size_t comma = std::min(text.find(',', start), text.size());
        const std::string_view name = text.substr(start, comma - start);
        bool* measure = name == "backbone"    ? &out.backbone
                        : name == "solutions" ? &out.solutions
                                              : nullptr;
        if (measure == nullptr) {
            return std::string("'").append(name).append(
                "' is not a measure; expected backbone or solutions");
        }
        if (*measure) {
            return std::string("measure '").append(name).append("' is listed twice");
        }
        *measure = true;
        if (comma == text.size()) {
            return std::nullopt;
        }
        start = comma + 1;
    }
}

std::vector<std::string_view> measureNames(const Measures& measures) {
    std::vector<std::string_view> names;
    if (measures.backbone) {
        names.emplace_back("backbone");
    }
    if (measures.solutions) {
        names.emplace_back("solutions");
    }
    return names;
}

std::optional<Shard> parseShard(std::string_view text) {
    const std::size_t slash = text.find('/');
    if (slash == std::string_view::npos) {
        return std::nullopt;
    }
    const auto index = parseWholeNumber(text.substr(0, slash));
    const auto count = parseWholeNumber(text.substr(slash + 1));
    if (!index || !count || *count < 1 || *count > 100000 || *index < 1 || *index > *count) {
        return std::nullopt;
    }
    return Shard{static_cast<std::int32_t>(*index), static_cast<std::int32_t>(*count)};
}

bool decidesFormulas(const SweepDefinition& definition) {
    return std::ranges::any_of(definition.solvers, isComplete);
}

bool searchesFormulas(const SweepDefinition& definition) {
    return !std::ranges::all_of(definition.solvers, isComplete);
}

FormulaLimits formulaLimits(const SweepDefinition& definition) {
    return decidesFormulas(definition) || definition.kind.model == FormulaModel::Classic
               ? kDecidedLimits
               : kSearchedLimits;
}

std::optional<std::string> parseSolverList(std::string_view text, std::vector<SolverKind>& out) {
    out.clear();
    std::size_t start = 0;
    for (;;) {
        const std::size_t comma = std::min(text.find(',', start), text.size());
        const std::string_view name = text.substr(start, comma - start);
        const std::optional<SolverKind> kind = parseSolver(name);
        if (!kind) {
            return std::string("'").append(name).append("' is not a solver; expected ") +
                   solverChoices();
        }
        if (std::find(out.begin(), out.end(), *kind) != out.end()) {
            return std::string("solver '").append(name).append("' is listed twice");
        }
        out.push_back(*kind);
        if (comma == text.size()) {
            break;
        }
        start = comma + 1;
    }
    for (const SolverKind kind : out) {
        if (auto problem = unavailability(kind)) {
            return problem;
        }
    }
    return std::nullopt;
}

}  // namespace satphase
