#include "sweep/merge.h"

#include <atomic>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <nlohmann/json.hpp>
#include <optional>
#include <set>

#include "sweep/cell_summary.h"
#include "sweep/sweep_runner.h"

namespace {

using Json = nlohmann::json;

struct Place {
    std::string path;
    std::size_t line = 0;
    std::string text() const { return path + ":" + std::to_string(line); }
};

struct Header {
    SweepDefinition definition;
    std::optional<Shard> shard;
};

template <typename Value>
bool read(const Json& object, const char* name, Value& to) {
    const auto found = object.find(name);
    if (found == object.end()) {
        return false;
    }
    if constexpr (std::is_same_v<Value, bool>) {
        if (!found->is_boolean()) {
            return false;
        }
    } else if constexpr (std::is_floating_point_v<Value>) {
        if (!found->is_number()) {
            return false;
        }
    } else if (!found->is_number_integer()) {
        return false;
    }
    to = found->get<Value>();
    return true;
}

std::optional<Header> parseHeader(const std::string& line) {
    const Json json = Json::parse(line, nullptr, false);
    if (!json.is_object() || !json.contains("sweep") || !json["sweep"].is_object()) {
        return std::nullopt;
    }
    const Json& sweep = json["sweep"];
    Header header;
    SweepDefinition& d = header.definition;
    if (!read(sweep, "trials", d.trials) || !read(sweep, "seed", d.seed) ||
        !read(sweep, "per_formula", d.perFormula) || !sweep.contains("vars") ||
        !sweep.contains("ratios") || !sweep["vars"].is_array() || !sweep["ratios"].is_array() ||
        d.trials < 1 || d.trials > kMaxTrials) {
        return std::nullopt;
    }
    for (const Json& vars : sweep["vars"]) {
        if (!vars.is_number_integer()) {
            return std::nullopt;
        }
        d.vars.push_back(vars.get<std::int32_t>());
    }
    for (const Json& ratio : sweep["ratios"]) {
        if (!ratio.is_number()) {
            return std::nullopt;
        }
        d.ratios.push_back(Ratio{std::llround(ratio.get<double>() * 1e6)});
    }
    if (sweep.contains("shard")) {
        if (!sweep["shard"].is_string()) {
            return std::nullopt;
        }
        header.shard = parseShard(sweep["shard"].get<std::string>());
        if (!header.shard) {
            return std::nullopt;
        }
    }
    if (d.vars.empty() || d.ratios.empty() || sweepRefusal(d)) {
        return std::nullopt;
    }
    return header;
}

// "3, 7, 11", shortened past a score of them.
std::string listOf(const std::vector<std::int32_t>& numbers) {
    std::string text;
    for (std::size_t i = 0; i < numbers.size() && i < 20; ++i) {
        text += (i == 0 ? "" : ", ") + std::to_string(numbers[i]);
    }
    if (numbers.size() > 20) {
        text += ", ... (" + std::to_string(numbers.size()) + " in all)";
    }
    return text;
}

// A record kept for the output, with where it came from.
struct Record {
    Json json;
    Place place;
};

}  // namespace

MergeOutcome mergeShards(std::span<const std::string> paths, OutputFormat format) {
    MergeOutcome outcome;
    std::vector<std::string>& problems = outcome.problems;
    std::optional<Header> sweep;
    std::string reference;  // the sweep line every file must share, shard aside
    std::string referencePath;
    std::set<std::int32_t> shardCounts;
    std::vector<SweepCell> cells;
    // Per cell: its record, or per formula its records by trial.
    std::vector<std::map<std::int32_t, Record>> records;

    std::set<std::filesystem::path> named;
    for (const std::string& path : paths) {
        std::error_code error;
        if (!named.insert(std::filesystem::weakly_canonical(path, error)).second) {
            problems.push_back(path + ": named more than once");
            continue;
        }
        std::ifstream file(path, std::ios::binary);
        if (!file) {
            problems.push_back(path + ": cannot be read");
            continue;
        }
        const std::string text((std::istreambuf_iterator<char>(file)),
                               std::istreambuf_iterator<char>());
        if (text.empty()) {
            problems.push_back(path + ": is empty; a shard's file starts with its sweep line");
            continue;
        }
        std::size_t start = 0;
        for (std::size_t number = 1; start < text.size(); ++number) {
            const std::size_t end = text.find('\n', start);
            const Place place{path, number};
            if (end == std::string::npos) {
                problems.push_back(place.text() + ": record cut off mid-line (torn)");
                break;
            }
            const std::string line = text.substr(start, end - start);
            start = end + 1;
            if (number == 1) {
                std::optional<Header> header = parseHeader(line);
                if (!header) {
                    problems.push_back(place.text() +
                                       ": not the JSON Lines of satphase sweep (no sweep line)");
                    break;
                }
                const std::string canonical =
                    outputPreamble(OutputFormat::JsonLines, header->definition);
                if (!sweep) {
                    sweep = header;
                    reference = canonical;
                    referencePath = path;
                    cells = cellsOf(sweep->definition);
                    records.resize(cells.size());
                } else if (canonical != reference) {
                    problems.push_back(path + ": from another sweep than ");
                    problems.back() += referencePath + " (its sweep line differs)";
                    break;
                }
                if (header->shard) {
                    shardCounts.insert(header->shard->count);
                }
                continue;
            }
            const Json json = Json::parse(line, nullptr, false);
            std::int32_t cell = -1;
            std::int32_t vars = -1;
            std::int32_t clauses = -1;
            std::int32_t trial = 0;
            if (!json.is_object() || !read(json, "cell", cell) || !read(json, "vars", vars) ||
                !read(json, "clauses", clauses) || cell < 0 ||
                cell >= static_cast<std::int32_t>(cells.size()) ||
                cells[static_cast<std::size_t>(cell)].vars != vars ||
                cells[static_cast<std::size_t>(cell)].clauses != clauses ||
                (sweep->definition.perFormula &&
                 (!read(json, "trial", trial) || trial < 0 || trial >= sweep->definition.trials))) {
                problems.push_back(place.text() + ": not a record of this sweep");
                continue;
            }
            auto& kept = records[static_cast<std::size_t>(cell)];
            const auto [held, added] = kept.try_emplace(trial, Record{json, place});
            if (!added) {
                problems.push_back(
                    "cell " + std::to_string(cell) +
                    (sweep->definition.perFormula ? " trial " + std::to_string(trial) : "") +
                    " is in both " + held->second.place.text() + " and " + place.text());
            }
        }
    }
    if (!sweep) {
        if (problems.empty()) {
            problems.emplace_back("no shard files to merge");
        }
        return outcome;
    }

    // What no file holds, by shard where the files say how the sweep was split.
    const auto perCell =
        static_cast<std::size_t>(sweep->definition.perFormula ? sweep->definition.trials : 1);
    const std::int32_t shards = shardCounts.size() == 1 ? *shardCounts.begin() : 0;
    std::map<std::int32_t, std::vector<std::int32_t>> missingByShard;
    for (const SweepCell& cell : cells) {
        const auto& kept = records[static_cast<std::size_t>(cell.index)];
        if (kept.empty()) {
            missingByShard[shards > 0 ? cell.index % shards + 1 : 0].push_back(cell.index);
        } else if (kept.size() < perCell) {
            problems.push_back("cell " + std::to_string(cell.index) + ": only " +
                               std::to_string(kept.size()) + " of " + std::to_string(perCell) +
                               " formulas are in the files");
        }
    }
    for (const auto& [shard, missing] : missingByShard) {
        problems.push_back(
            (missing.size() == 1 ? "cell " : "cells ") + listOf(missing) +
            (shard > 0 ? " (shard " + std::to_string(shard) + " of " + std::to_string(shards) + ")"
                       : std::string()) +
            (missing.size() == 1 ? " is" : " are") + " in none of the files");
    }
    if (format == OutputFormat::Table && sweep->definition.perFormula) {
        problems.emplace_back("records of single formulas merge into csv or jsonl, not a table");
    }
    if (!problems.empty()) {
        return outcome;
    }

    // Every cell must start where the sweep reaches it: drawing the formulas
    // again, without deciding them, tells.
    SweepRunner runner(cells, sweep->definition.trials, SweepRunner::Options{1, 0});
    SweepRunner::Hooks hooks;
    hooks.decides = [](const SweepCell&) { return false; };
    hooks.skipped = [&](const SweepCell& cell, std::int32_t startState) {
        const Record& first = records[static_cast<std::size_t>(cell.index)].begin()->second;
        std::int32_t recorded = -1;
        if (!read(first.json, "start_state", recorded) || recorded != startState) {
            problems.push_back(first.place.text() + ": cell " + std::to_string(cell.index) +
                               " does not start at state " + std::to_string(startState) +
                               ", where the sweep reaches it");
        }
        return true;
    };
    const std::atomic<bool> stop{false};
    SweepProgress progress;
    runner.run(sweep->definition.seed, hooks, stop, progress);
    if (!problems.empty()) {
        return outcome;
    }

    std::string& out = outcome.output;
    out = outputPreamble(format, sweep->definition);
    std::vector<FormulaResult> formulas;
    std::vector<std::uint64_t> scratch;
    for (const SweepCell& cell : cells) {
        const auto& kept = records[static_cast<std::size_t>(cell.index)];
        CellSummary summary;
        double seconds = 0;
        std::int32_t startState = 0;
        formulas.clear();
        bool complete = true;
        if (sweep->definition.perFormula) {
            for (const auto& [trial, record] : kept) {
                FormulaResult result;
                complete = complete && read(record.json, "start_state", result.startState) &&
                           read(record.json, "satisfiable", result.satisfiable) &&
                           read(record.json, "steps", result.steps);
                formulas.push_back(result);
            }
            summary = summarise(formulas, scratch);
            startState = formulas.front().startState;
        } else {
            const Json& r = kept.begin()->second.json;
            complete =
                read(r, "trials", summary.trials) && read(r, "unsat", summary.unsatisfiable) &&
                read(r, "sat_fraction", summary.satFraction) &&
                read(r, "sat_low", summary.satLow) && read(r, "sat_high", summary.satHigh) &&
                read(r, "median_steps", summary.median) &&
                read(r, "q1_steps", summary.lowerQuartile) &&
                read(r, "q3_steps", summary.upperQuartile) && read(r, "mean_steps", summary.mean) &&
                read(r, "max_steps", summary.max) && read(r, "seconds", seconds) &&
                read(r, "start_state", startState) && summary.trials == sweep->definition.trials;
        }
        if (!complete) {
            problems.push_back(kept.begin()->second.place.text() +
                               ": a record of this sweep lacks some of its fields");
            continue;
        }
        appendCellText(format, sweep->definition.perFormula,
                       FinishedCell{cell, startState, summary, seconds, formulas}, out);
    }
    if (!problems.empty()) {
        out.clear();
    }
    return outcome;
}
