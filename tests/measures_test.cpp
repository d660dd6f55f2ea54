// A sweep's measures: every formula's backbone and solutions against all its
// assignments, the cells' spreads, the verdicts they must share with the
// solvers, and the records no sweep writes.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cmath>
#include <sstream>
#include <string>
#include <tuple>
#include <vector>

#include "random/formula_source.h"
#include "sweep/cell_summary.h"
#include "sweep/formula_draw.h"
#include "sweep/record_reader.h"
#include "sweep/sweep_plan.h"
#include "sweep_support.h"
#include "test_support.h"

namespace satphase {

namespace {

using sweep_support::edited;
using sweep_support::runSweep;
using sweep_support::sweepOf;
using sweep_support::SweepRun;
using ::testing::HasSubstr;

SweepDefinition measuredSweep(bool perFormula) {
    SweepDefinition definition = sweepOf("10,14", "2,4.26,6", 15, 777);
    definition.kind.model = FormulaModel::Uniform;
    definition.perFormula = perFormula;
    definition.measures = {true, true};
    EXPECT_FALSE(definitionProblem(definition));
    return definition;
}

TEST(MeasureSweep, EveryFormulasMeasuresAreItsAssignmentsAndCellsSpreadThem) {
    if (unavailability(SolverKind::Cdcl)) {
        GTEST_SKIP() << "the backbone is found with CaDiCaL, which this build has not";
    }
    const SweepDefinition definition = measuredSweep(true);
    const SweepRun one = runSweep(definition, OutputFormat::JsonLines, 1);
    const SweepRun two = runSweep(definition, OutputFormat::JsonLines, 2);
    ASSERT_TRUE(one.completed()) << one.what();
    ASSERT_EQ(one.formulas.size(), 6U * 15U);
    const std::vector<SweepCell> cells = cellsOf(definition);
    FormulaSource source(14, 84, definition.kind.model);
    Formula formula;
    std::int32_t unsatisfiable = 0;
    for (std::size_t f = 0; f < one.formulas.size(); ++f) {
        const FormulaResult& result = one.formulas[f];
        const SweepCell& cell = cells[f / 15];
        RandomStream stream(result.startState);
        ASSERT_TRUE(drawFormula(definition, cell, cell.clauses, source, stream, formula));
        const auto [solutions, values] = test_support::enumerated(formula);
        const auto backbone = std::ranges::count_if(values, [](std::int8_t v) { return v >= 0; });
        EXPECT_EQ(result.solutions, solutions) << f;
        EXPECT_EQ(result.backbone, solutions == 0 ? 0.0 : double(backbone) / cell.vars) << f;
        EXPECT_EQ(result.solutions, two.formulas[f].solutions) << f;
        EXPECT_EQ(result.backbone, two.formulas[f].backbone) << f;
        unsatisfiable += solutions == 0 ? 1 : 0;
    }
    EXPECT_GT(unsatisfiable, 10);  // both verdicts were measured
    // A cell record's spreads are those of its formulas' measures.
    const SweepRun cellsRun = runSweep(measuredSweep(false), OutputFormat::Csv, 2);
    std::vector<double> scratch;
    for (std::size_t c = 0; c < cells.size(); ++c) {
        const CellMeasures expected =
            summariseMeasures(std::span(one.formulas).subspan(c * 15, 15), cells[c].vars, scratch);
        const CellMeasures& got = cellsRun.summaries[c].measures;
        EXPECT_EQ(got.measured, expected.measured);
        EXPECT_EQ(got.backbone.median, expected.backbone.median);
        EXPECT_EQ(got.entropy.upperQuartile, expected.entropy.upperQuartile);
    }
    // The table adds the medians to the classic row: cell 1 (10 variables,
    // ratio 4.26) as the CSV gives them.
    const SweepRun table = runSweep(measuredSweep(false), OutputFormat::Table, 1);
    std::ostringstream row;
    row << "4.26      " << cellsRun.summaries[1].unsatisfiable << "      "
        << cellsRun.summaries[1].median << "      "
        << cellsRun.summaries[1].measures.backbone.median << "      "
        << cellsRun.summaries[1].measures.entropy.median << "\n";
    EXPECT_THAT(table.text, HasSubstr("Median | Backbone | Entropy \n"));
    EXPECT_THAT(table.text, HasSubstr(row.str()));
    EXPECT_THAT(cellsRun.text, HasSubstr(",measured,backbone_median,backbone_q1,backbone_q3,"
                                         "backbone_mean,entropy_median,entropy_q1,entropy_q3,"
                                         "entropy_mean\n"));
}

TEST(MeasureSweep, SpreadsAreOrderStatisticsOfTheSatisfiableFormulas) {
    // Backbones 0.5, 0.1, 0.3, 0.9, 0.7 and an unsatisfiable formula, left
    // out; of 5 values elements 1, 2 and 3. Solutions 8, 2, 4, 1, 4 of 3 variables.
    const std::tuple<bool, double, std::uint64_t> formulas[] = {{true, 0.5, 8}, {false, 0, 0},
                                                                {true, 0.1, 2}, {true, 0.3, 4},
                                                                {true, 0.9, 1}, {true, 0.7, 4}};
    std::vector<FormulaResult> results(std::size(formulas));
    for (std::size_t i = 0; i < results.size(); ++i) {
        std::tie(results[i].satisfiable, results[i].backbone, results[i].solutions) = formulas[i];
    }
    std::vector<double> scratch;
    const CellMeasures m = summariseMeasures(results, 3, scratch);
    EXPECT_EQ(m.measured, 5);
    EXPECT_EQ(std::tie(m.backbone.lowerQuartile, m.backbone.median, m.backbone.upperQuartile),
              std::make_tuple(0.3, 0.5, 0.7));
    EXPECT_DOUBLE_EQ(m.backbone.mean, 0.5);
    EXPECT_EQ(std::tie(m.entropy.lowerQuartile, m.entropy.median, m.entropy.upperQuartile),
              std::make_tuple(1.0 / 3, 2.0 / 3, 2.0 / 3));
    EXPECT_DOUBLE_EQ(m.entropy.mean, 8.0 / 15);
    EXPECT_EQ(summariseMeasures(std::span(results).subspan(1, 1), 3, scratch).backbone.mean, 0);
}

TEST(MeasureSweep, RequestsAndRecordsNoSweepMakesAreRefused) {
    if (unavailability(SolverKind::Cdcl)) {
        GTEST_SKIP() << "the backbone is found with CaDiCaL, which this build has not";
    }
    Measures measures;
    EXPECT_THAT(parseMeasureList("backbone,entropy", measures).value_or(""),
                HasSubstr("'entropy' is not a measure"));
    EXPECT_THAT(parseMeasureList("solutions,solutions", measures).value_or(""),
                HasSubstr("listed twice"));
    for (const auto& [vars, ratios, solver, refusal] :
         {std::tuple("65", "4", SolverKind::Splitting,
                     "counts formulas of up to 64 variables, not 65"),
          std::tuple("64", "0.01", SolverKind::Splitting, "(ratio 0.01) have 2^64 solutions"),
          std::tuple("20", "4", SolverKind::Probsat, "list one beside the local searches")}) {
        SweepDefinition definition = sweepOf(vars, ratios, 1, 1);
        definition.kind.model = FormulaModel::Uniform;
        definition.solvers = {solver};
        definition.namesSolvers = true;
        definition.measures = {true, true};
        EXPECT_THAT(definitionProblem(definition).value_or(""), HasSubstr(refusal)) << vars;
    }

    // Records edited after the sweep wrote them.
    const SweepDefinition definition = measuredSweep(true);
    const std::vector<SweepCell> cells = cellsOf(definition);
    const SweepRun run = runSweep(definition, OutputFormat::JsonLines, 2);
    const SweepRun cellRun = runSweep(measuredSweep(false), OutputFormat::JsonLines, 2);
    // Formula 1 of cell 0 (10 variables, satisfiable), formula 0 of cell 5
    // (14 variables at ratio 6, unsatisfiable), cell 4's record.
    const std::vector<std::string> lines = test_support::lines(run.text);
    const std::string& satisfiable = lines[2];
    const std::string& unsatisfiable = lines[5 * 15 + 1];
    ASSERT_THAT(unsatisfiable, HasSubstr("\"backbone\":0.0,\"solutions\":0}"));
    const std::string cell = test_support::lines(cellRun.text)[5];
    RecordRead read;
    const SweepDefinition cellDefinition = measuredSweep(false);
    for (const auto& [record, edit, refusal] : {
             std::tuple(&satisfiable, "solutions 0", "not a count of at least 1 and at most 2^10"),
             std::tuple(&satisfiable, "solutions 1025", "at most 2^10"),
             std::tuple(&unsatisfiable, "solutions 3", "0 for an unsatisfiable formula"),
             std::tuple(&satisfiable, "backbone 0.15", "not a fraction of the 10 variables"),
             std::tuple(&unsatisfiable, "backbone 0.5", "(0 for an unsatisfiable formula)"),
             std::tuple(&cell, "measured 1", "the satisfiable formulas of the cell"),
             std::tuple(&cell, "backbone_q1 0.99", "are not fractions in order"),
             std::tuple(&cell, "entropy_mean 1.5", "entropy_mean is no fraction"),
         }) {
        EXPECT_THAT(readRecord(OutputFormat::JsonLines, edited(*record, edit),
                               record == &cell ? cellDefinition : definition, cells, read)
                        .value_or(""),
                    HasSubstr(refusal))
            << edit;
    }
    EXPECT_FALSE(readRecord(OutputFormat::JsonLines, cell, cellDefinition, cells, read));
    EXPECT_EQ(read.summary.measures.measured, cellRun.summaries[4].measures.measured);
    EXPECT_EQ(read.summary.measures.entropy.mean, cellRun.summaries[4].measures.entropy.mean);
    // The sweep line names its measures, in the order the sweep writes them.
    const std::string& sweepLine = lines[0];
    ASSERT_THAT(sweepLine, HasSubstr("\"measures\":[\"backbone\",\"solutions\"]"));
    const auto header = readSweepLine(sweepLine);
    ASSERT_TRUE(std::holds_alternative<SweepHeader>(header));
    EXPECT_TRUE(std::get<SweepHeader>(header).definition.measures.solutions);
    for (const char* measures : {R"(["solutions","backbone"])", "[]", R"(["backbone",1])"}) {
        const std::string edited =
            std::regex_replace(sweepLine, std::regex(R"("measures":\[[^\]]*\])"),
                               std::string("\"measures\":") + measures);
        ASSERT_NE(edited, sweepLine);
        EXPECT_TRUE(std::holds_alternative<std::string>(readSweepLine(edited))) << edited;
    }
}

}  // namespace

}  // namespace satphase
