#pragma once

#include <gtest/gtest.h>

#include <atomic>
#include <optional>
#include <regex>
#include <string>
#include <vector>

#include "scratch.h"
#include "sweep/record_format.h"
#include "sweep/sweep.h"

namespace sweep_support {

using namespace satphase;

// A sweep as the program runs it, written to a scratch file: what it wrote
// in `format`, each formula's result and each cell's solver summaries, cell
// after cell, and how it ended.
struct SweepRun {
    std::optional<SweepFailure> failure;
    std::string text;
    std::vector<FormulaResult> formulas;
    std::vector<CellSummary> summaries;
    std::uint64_t formulasDone = 0;

    bool completed() const { return !failure; }
    // The failure's words, for a test's message.
    std::string what() const { return failure ? failure->what : std::string(); }
};

// Only the cells of `shard` are decided and written.
inline SweepRun runSweep(const SweepDefinition& definition,
                         OutputFormat format = OutputFormat::JsonLines, std::int32_t jobs = 1,
                         std::optional<Shard> shard = std::nullopt) {
    struct Collector : SweepObserver {
        explicit Collector(SweepRun& into) : run(into) {}
        void deciding(const CellSelection&, std::int32_t, const SweepProgress& now) override {
            progress = &now;
        }
        void finished(const FinishedCell& cell) override {
            run.formulas.insert(run.formulas.end(), cell.formulas.begin(), cell.formulas.end());
            run.summaries.insert(run.summaries.end(), cell.summaries.begin(), cell.summaries.end());
        }
        void decided() override { run.formulasDone = progress->formulasDone.load(); }
        SweepRun& run;
        const SweepProgress* progress = nullptr;
    };
    SweepRequest request;
    request.definition = definition;
    request.output = {format, shard, (scratch::directory("-sweep") / "records").string()};
    request.jobs = jobs;
    SweepRun run;
    Collector collector(run);
    const std::atomic<bool> stop{false};
    run.failure = satphase::runSweep(request, collector, stop).failure;
    run.text = scratch::read(request.output.path);
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
