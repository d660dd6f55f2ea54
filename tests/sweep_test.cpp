// The sweep's parts: its grid, its statistics, and its engine on the classic
// grid and on the other formula models.
#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <iterator>
#include <nlohmann/json.hpp>
#include <sstream>
#include <string>
#include <vector>

#include "sweep/cell_summary.h"
#include "sweep/record_format.h"
#include "sweep/sweep_plan.h"
#include "sweep/sweep_runner.h"

namespace {

TEST(SweepPlan, RatiosAreExactDecimalsAndRangesHitTheirEnds) {
    std::vector<Ratio> ratios;
    ASSERT_FALSE(parseRatios("4.1,2:3:0.25,3.8:4.8:0.1", ratios));
    ASSERT_EQ(ratios.size(), 1U + 5U + 11U);
    // In binary floating point 4.1 x 50 is 204.999...; the sweep asks for 205.
    EXPECT_EQ(ratios[0].clausesFor(50), 205);
    EXPECT_EQ(ratioText(ratios[4]), "2.75");
    EXPECT_EQ(ratios.back().value(), 4.8);
    EXPECT_EQ(ratioText(ratios.back()), "4.8");
    EXPECT_EQ(Ratio{4500000}.clausesFor(40), 180);

    std::vector<std::int32_t> sizes;
    ASSERT_FALSE(parseSizes("10:40:10,55", sizes));
    EXPECT_EQ(sizes, (std::vector<std::int32_t>{10, 20, 30, 40, 55}));
}

TEST(SweepPlan, MalformedListsAreRefusedNamingTheItem) {
    std::vector<Ratio> ratios;
    std::vector<std::int32_t> sizes;
    for (const char* bad : {"", "4,", ",4", "4.", ".", "4.1234567", "-1", "4e1", "1:2", "3:2:1",
                            "2:3:0", "0", "1:2:3:4"}) {
        EXPECT_TRUE(parseRatios(bad, ratios)) << bad;
    }
    for (const char* bad : {"", "10,", "x", "2", "1001", "10.5", "40:10:10", "10:20:0"}) {
        EXPECT_TRUE(parseSizes(bad, sizes)) << bad;
    }
    EXPECT_NE(parseRatios("4,4.x", ratios)->find("'4.x'"), std::string::npos);
    const std::string plural = *parseRatios("1:2:0.1234567", ratios);
    EXPECT_NE(plural.find("decimal numbers with at most six places"), std::string::npos) << plural;

    // A range of one value is that value.
    ASSERT_FALSE(parseSizes("10:10:5", sizes));
    EXPECT_EQ(sizes, std::vector<std::int32_t>{10});
    ASSERT_FALSE(parseRatios("4.5:4.5:1", ratios));
    ASSERT_EQ(ratios.size(), 1U);
    EXPECT_EQ(ratios[0].millionths, 4500000);
}

TEST(SweepPlan, DefinitionsOutsideTheLimitsAreRefusedWhereverTheyComeFrom) {
    SweepDefinition definition;
    definition.vars = {10};
    definition.ratios = {Ratio{4000000}};
    definition.trials = 3;
    definition.seed = 1;
    EXPECT_FALSE(definitionProblem(definition));
    definition.seed = kMaxSeed + 1;  // the stream would stay at 0 for ever
    EXPECT_TRUE(definitionProblem(definition));
    definition.seed = kMaxSeed;
    definition.k = 4;  // classic clauses have three literals
    EXPECT_TRUE(definitionProblem(definition));
    definition.k = kClassicClauseLength;
    // More cells than the limit, each of them servable.
    definition.vars.assign(1001, 100);
    definition.ratios.assign(1000, Ratio{4000000});
    EXPECT_NE(definitionProblem(definition)->find("1001000 cells"), std::string::npos);
    definition.vars.pop_back();
    EXPECT_FALSE(definitionProblem(definition));
}

TEST(SweepPlan, CellsTheGeneratorCannotServeAreRefusedBeforeAnyWork) {
    const auto refusalOf = [](std::vector<std::int32_t> vars, std::int64_t millionths) {
        SweepDefinition definition;
        definition.vars = std::move(vars);
        definition.ratios = {Ratio{millionths}};
        definition.trials = 1;
        definition.seed = 1;
        return sweepRefusal(definition);
    };
    EXPECT_FALSE(refusalOf({5, 10, 200}, 4260000));
    EXPECT_TRUE(refusalOf({10}, 250000));   // 2 clauses cannot hold 10 variables
    EXPECT_TRUE(refusalOf({10}, 50000));    // no clause at all
    EXPECT_TRUE(refusalOf({3}, 3000000));   // 9 clauses, 8 distinct ones exist
    EXPECT_FALSE(refusalOf({3}, 2666666));  // all 8 of them
    EXPECT_NE(refusalOf({20, 3}, 3000000)->find("at 3 variables"), std::string::npos);

    // The other models answer through modelRefusal: uniform clauses may
    // repeat and leave variables out, but need k distinct variables.
    SweepDefinition uniform;
    uniform.vars = {3, 10};
    uniform.ratios = {Ratio{500000}, Ratio{3000000}};
    uniform.trials = 1;
    uniform.seed = 1;
    uniform.model = FormulaModel::Uniform;
    EXPECT_FALSE(definitionProblem(uniform));
    uniform.k = 5;
    const std::string problem = definitionProblem(uniform).value_or("");
    EXPECT_NE(problem.find("at 3 variables cannot be generated: 3 variables and 1 clauses: uniform "
                           "clauses of 5 literals need at least 5 distinct variables"),
              std::string::npos)
        << problem;
}

TEST(CellSummary, OrderStatisticsAndTheWilsonInterval) {
    std::vector<FormulaResult> results;
    for (const std::uint64_t steps : {9, 1, 8, 2, 7, 3, 6, 4, 5, 100}) {
        results.push_back(FormulaResult{0, steps % 2 == 0, steps});
    }
    std::vector<std::uint64_t> scratch;
    const CellSummary s = summarise(results, scratch);
    EXPECT_EQ(s.median, 6U);         // element 5 of 1..9, 100
    EXPECT_EQ(s.lowerQuartile, 3U);  // element 2
    EXPECT_EQ(s.upperQuartile, 8U);  // element 7
    EXPECT_EQ(s.max, 100U);
    EXPECT_DOUBLE_EQ(s.mean, 14.5);
    EXPECT_EQ(s.unsatisfiable, 5);
    EXPECT_DOUBLE_EQ(s.satFraction, 0.5);
    // Published values of the 95 % Wilson score interval.
    EXPECT_NEAR(s.satLow, 0.2366, 1e-4);
    EXPECT_NEAR(s.satHigh, 0.7634, 1e-4);

    // No formula satisfiable, or all: the interval ends exactly at 0 or 1.
    const std::vector<FormulaResult> none(3, FormulaResult{0, false, 1});
    const CellSummary zero = summarise(none, scratch);
    EXPECT_EQ(zero.satLow, 0.0);
    EXPECT_NEAR(zero.satHigh, 0.5615, 1e-4);
    const std::vector<FormulaResult> all(3, FormulaResult{0, true, 1});
    EXPECT_EQ(summarise(all, scratch).satHigh, 1.0);
}

// The whole default sweep as a table, with the given clause cap and threads.
std::string defaultSweepTable(std::int32_t clauseCap, std::int32_t jobs) {
    SweepDefinition definition;
    parseSizes("10,20,30,40", definition.vars);
    parseRatios("2,3,4,4.5,5,6,7,8", definition.ratios);
    definition.trials = 301;
    definition.seed = 64540;
    const std::vector<SweepCell> cells = cellsOf(definition);
    SweepRunner runner(cells, definition.trials, SweepRunner::Options{jobs, clauseCap});
    std::string table;
    SweepRunner::Hooks hooks;
    hooks.finished = [&](const FinishedCell& cell) {
        appendCellText(OutputFormat::Table, false, cell, table);
    };
    const std::atomic<bool> stop{false};
    SweepProgress progress;
    EXPECT_EQ(runner.run(definition.seed, hooks, stop, progress), SweepRunner::Outcome::Completed);
    EXPECT_EQ(progress.formulasDone.load(), 32U * 301U);
    return table;
}

TEST(SweepRunner, WithTheClassicClauseCapTheDefaultSweepIsTheClassicReport) {
    std::ifstream file(SATPHASE_EXPECTED_REPORT, std::ios::binary);
    const std::string expected((std::istreambuf_iterator<char>(file)),
                               std::istreambuf_iterator<char>());
    ASSERT_FALSE(expected.empty());
    EXPECT_EQ(defaultSweepTable(319, 1), expected);
    EXPECT_EQ(defaultSweepTable(319, 3), expected);
}

// What a sweep of a model wrote as per-formula JSON Lines, and how it ended.
struct ModelRun {
    SweepRunner::Outcome outcome;
    std::string text;
    std::int32_t failedCell, failedTrial, failedStartState;
};

ModelRun runModel(FormulaModel model, std::int32_t k, const char* vars, const char* ratios,
                  std::int32_t jobs, SweepRunner::Hooks hooks = {}) {
    SweepDefinition definition;
    parseSizes(vars, definition.vars);
    parseRatios(ratios, definition.ratios);
    definition.trials = 40;
    definition.seed = 12345;
    definition.perFormula = true;
    definition.model = model;
    definition.k = k;
    EXPECT_FALSE(definitionProblem(definition));
    const std::vector<SweepCell> cells = cellsOf(definition);
    SweepRunner runner(definition, cells, SweepRunner::Options{jobs, 0});
    ModelRun run{};
    run.text = outputPreamble(OutputFormat::JsonLines, definition, std::nullopt);
    hooks.finished = [&](const FinishedCell& cell) {
        appendCellText(OutputFormat::JsonLines, definition, cell, run.text);
    };
    const std::atomic<bool> stop{false};
    SweepProgress progress;
    run.outcome = runner.run(definition.seed, hooks, stop, progress);
    run.failedCell = runner.failedCell();
    run.failedTrial = runner.failedTrial();
    run.failedStartState = runner.failedStartState();
    return run;
}

TEST(SweepRunner, OtherModelsAreDrawnAtTheirClauseLengthAndTheSameForAnyNumberOfThreads) {
    // Each sweep far from its model's threshold, where its verdicts are
    // near certain (uniform 2-SAT: 1, 5-SAT: 21.1; a planted formula is
    // always satisfiable): a sweep that drew the classic formulas, clauses of
    // another length, or searched them with too narrow an engine, would give
    // others or fail.
    struct Case {
        FormulaModel model;
        std::int32_t k;
        const char* vars;
        const char* ratios;
        std::vector<int> satisfiable;  // per cell, of 40
    };
    const Case cases[] = {
        {FormulaModel::Uniform, 5, "20", "8", {40}},
        {FormulaModel::Uniform, 2, "100", "0.3,3", {40, 0}},
        {FormulaModel::Planted, 3, "40", "7", {40}},
        {FormulaModel::TwoHidden, 4, "30", "15", {40}},
    };
    for (const Case& c : cases) {
        const std::string name = std::string(modelName(c.model)) + " k=" + std::to_string(c.k);
        const ModelRun one = runModel(c.model, c.k, c.vars, c.ratios, 1);
        ASSERT_EQ(one.outcome, SweepRunner::Outcome::Completed) << name;
        EXPECT_EQ(runModel(c.model, c.k, c.vars, c.ratios, 2).text, one.text) << name;
        std::vector<int> satisfiable(c.satisfiable.size());
        std::istringstream lines(one.text);
        std::string line;
        std::getline(lines, line);
        const auto sweep = nlohmann::json::parse(line).at("sweep");
        EXPECT_EQ(sweep.at("model"), modelName(c.model)) << name;
        EXPECT_EQ(sweep.at("k"), c.k) << name;
        std::size_t records = 0;
        while (std::getline(lines, line)) {
            const auto record = nlohmann::json::parse(line);
            EXPECT_EQ(record.at("model"), modelName(c.model)) << name;
            EXPECT_EQ(record.at("k"), c.k) << name;
            satisfiable.at(record.at("cell").get<std::size_t>()) +=
                record.at("satisfiable").get<bool>() ? 1 : 0;
            ++records;
        }
        EXPECT_EQ(records, 40 * satisfiable.size()) << name;
        ASSERT_EQ(satisfiable, c.satisfiable) << name;
    }
}

TEST(SweepRunner, APlantedFormulaCalledUnsatisfiableStopsTheSweepAtItsCell) {
    // Trial 7 of cell 1 made unsatisfiable: a planted sweep ends there,
    // naming it, with cell 0 written and cell 1 not; for a uniform sweep an
    // unsatisfiable formula is a result like any other.
    std::int32_t brokenState = 0;
    SweepRunner::Hooks hooks;
    hooks.decided = [&](const SweepCell& cell, std::span<FormulaResult> results) {
        if (cell.index == 1) {
            results[7].satisfiable = false;
            brokenState = results[7].startState;
        }
    };
    for (const std::int32_t jobs : {1, 2}) {
        const ModelRun planted = runModel(FormulaModel::TwoHidden, 3, "20", "3,4,5", jobs, hooks);
        EXPECT_EQ(planted.outcome, SweepRunner::Outcome::PlantedUnsatisfiable);
        EXPECT_EQ(planted.failedCell, 1);
        EXPECT_EQ(planted.failedTrial, 7);
        EXPECT_EQ(planted.failedStartState, brokenState);
        EXPECT_NE(brokenState, 0);
        EXPECT_EQ(std::count(planted.text.begin(), planted.text.end(), '\n'), 1 + 40);
        EXPECT_EQ(runModel(FormulaModel::Uniform, 3, "20", "3,4,5", jobs, hooks).outcome,
                  SweepRunner::Outcome::Completed);
    }
}

}  // namespace
