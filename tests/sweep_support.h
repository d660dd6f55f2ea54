#pragma once

#include <gtest/gtest.h>

#include <atomic>
#include <optional>
#include <regex>
#include <string>
#include <vector>

#include "sweep/record_format.h"
#include "sweep/sweep_runner.h"

namespace sweep_support {

using namespace satphase;

// A sweep as the program runs it: what it wrote in `format`, each formula's
// result and each cell's solver summaries, cell after cell, and how it ended.
struct SweepRun {
    SweepRunner::Outcome outcome{};
    std::string text;
    std::vector<FormulaResult> formulas;
    std::vector<CellSummary> summaries;
    std::uint64_t formulasDone = 0;
    std::string disagreement;
    std::int32_t failedCell = -1, failedTrial = -1, failedStartState = 0;
};

// Only the cells of `shard` are decided and written; `hooks` gives all but
// `decides` and `finished`.
inline SweepRun runSweep(const SweepDefinition& definition,
                         OutputFormat format = OutputFormat::JsonLines, std::int32_t jobs = 1,
                         SweepRunner::Hooks hooks = {}, std::optional<Shard> shard = std::nullopt) {
    const std::vector<SweepCell> cells = cellsOf(definition);
    SweepRunner runner(definition, cells, jobs);
    SweepRun run;
    run.text = outputPreamble(format, definition, shard);
    CellTextWriter writer(format, definition);
    if (shard) {
        hooks.decides = [&](const SweepCell& cell) { return shard->holds(cell); };
    }
    hooks.finished = [&](const FinishedCell& cell) {
        writer.append(cell, run.text);
        run.formulas.insert(run.formulas.end(), cell.formulas.begin(), cell.formulas.end());
        run.summaries.insert(run.summaries.end(), cell.summaries.begin(), cell.summaries.end());
    };
    const std::atomic<bool> stop{false};
    SweepProgress progress;
    run.outcome = runner.run(definition.seed, hooks, stop, progress);
    run.formulasDone = progress.formulasDone.load();
    run.disagreement = runner.disagreement();
    run.failedCell = runner.failedCell();
    run.failedTrial = runner.failedTrial();
    run.failedStartState = runner.failedStartState();
    return run;
}

// A definition from the command line's lists.
inline SweepDefinition sweepOf(const char* vars, const char* ratios, std::int32_t trials,
                               std::int32_t seed) {
    SweepDefinition definition;
    EXPECT_FALSE(parseSizes(vars, definition.vars));
    EXPECT_FALSE(parseRatios(ratios, definition.ratios));
    definition.trials = trials;
    definition.seed = seed;
    return definition;
}

// `line` (JSON) with the value of `key` replaced by the text `value`.
inline std::string edited(const std::string& line, const std::string& key,
                          const std::string& value) {
    const std::regex field("\"" + key + "\":[^,}]*");
    EXPECT_TRUE(std::regex_search(line, field)) << key;
    return std::regex_replace(line, field, "\"" + key + "\":" + value);
}

// The same, the edit written "key value".
inline std::string edited(const std::string& line, const std::string& edit) {
    return edited(line, edit.substr(0, edit.find(' ')), edit.substr(edit.find(' ') + 1));
}

}  // namespace sweep_support
