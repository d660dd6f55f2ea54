// The sweep's parts: its grid, its statistics, and its engine on the classic
// grid and on the other formula models.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <span>
#include <string>
#include <vector>

#include "sweep/cell_summary.h"
#include "sweep/sweep_plan.h"
#include "sweep/verdict_check.h"
#include "sweep_support.h"
#include "test_support.h"

namespace satphase {

namespace {

using ::testing::HasSubstr;

using sweep_support::runSweep;
using sweep_support::sweepOf;
using sweep_support::SweepRun;

TEST(SweepPlan, ListsAreExactAndRangesHitTheirEndsOrAreRefusedNamingTheItem) {
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
    for (const char* bad : {"", "4,", ",4", "4.", ".", "4.1234567", "-1", "4e1", "1:2", "3:2:1",
                            "2:3:0", "0", "1:2:3:4"}) {
        EXPECT_TRUE(parseRatios(bad, ratios)) << bad;
    }
    // A span past 64 bits is refused as any other range too long.
    for (const char* bad : {"", "10,", "x", "2", "1001", "10.5", "40:10:10", "10:20:0", "0x10",
                            "-9223372036854775808:9223372036854775807:1"}) {
        EXPECT_TRUE(parseSizes(bad, sizes)) << bad;
    }
    // Counted as expanded, without expanding; a count past 64 bits is none.
    EXPECT_EQ(cellCount("10:40:10,55", "4.1,2:3:0.25,3.8:4.8:0.1"), 5 * 17);
    EXPECT_EQ(cellCount("x,3:1:1", "1:2:0.0000001"), 2);
    std::string wide = "1:99999:1";
    for (int k = 0; k < 15; ++k) {
        const std::string half = wide;  // 2^(k+1) ranges of 99999 values each, below
        wide.append(",").append(half);
        if (k == 3) {
            EXPECT_EQ(cellCount(wide, wide), 16LL * 99999 * 16 * 99999);
        }
    }
    EXPECT_EQ(cellCount(wide, wide), std::nullopt);
    EXPECT_THAT(*parseRatios("4,4.x", ratios), HasSubstr("'4.x'"));
    const std::string plural = *parseRatios("1:2:0.1234567", ratios);
    EXPECT_THAT(plural, HasSubstr("decimal numbers with at most six places")) << plural;

    // A range of one value is that value, however far its step would go.
    ASSERT_FALSE(parseSizes("10:10:5", sizes));
    EXPECT_EQ(sizes, std::vector<std::int32_t>{10});
    ASSERT_FALSE(parseSizes("1000:9223372036854775807:9223372036854775000", sizes));
    EXPECT_EQ(sizes, std::vector<std::int32_t>{1000});
    ASSERT_FALSE(parseRatios("4.5:4.5:1", ratios));
    ASSERT_EQ(ratios.size(), 1U);
    EXPECT_EQ(ratios[0].millionths, 4500000);
}

TEST(SweepPlan, DefinitionsAndCellsOutsideTheLimitsAreRefusedBeforeAnyWork) {
    SweepDefinition definition = sweepOf("10", "4", 3, 1);
    EXPECT_FALSE(definitionProblem(definition));
    definition.seed = kMaxSeed + 1;  // the stream would stay at 0 for ever
    EXPECT_TRUE(definitionProblem(definition));
    definition.seed = kMaxSeed;
    definition.kind.k = 4;  // classic clauses have three literals
    EXPECT_TRUE(definitionProblem(definition));
    definition.kind.k = kClassicClauseWidth;
    // More cells than the limit, each of them servable.
    definition.vars.assign(1001, 100);
    definition.ratios.assign(1000, Ratio{4000000});
    EXPECT_THAT(*definitionProblem(definition), HasSubstr("1001000 cells"));
    definition.vars.pop_back();
    EXPECT_FALSE(definitionProblem(definition));
    const auto refusalOf = [](const char* vars, const char* ratio) {
        return sweepRefusal(sweepOf(vars, ratio, 1, 1));
    };
    EXPECT_FALSE(refusalOf("5,10,200", "4.26"));
    EXPECT_TRUE(refusalOf("10", "0.25"));      // 2 clauses cannot hold 10 variables
    EXPECT_TRUE(refusalOf("10", "0.05"));      // no clause at all
    EXPECT_TRUE(refusalOf("3", "3"));          // 9 clauses, 8 distinct ones exist
    EXPECT_FALSE(refusalOf("3", "2.666666"));  // all 8 of them
    EXPECT_THAT(*refusalOf("20,3", "3"), HasSubstr("at 3 variables"));

    // The other models answer through modelRefusal (its messages: models_test.cpp):
    // uniform clauses may repeat and leave variables out, but need k distinct variables.
    SweepDefinition uniform = sweepOf("3,10", "0.5,3", 1, 1);
    uniform.kind.model = FormulaModel::Uniform;
    EXPECT_FALSE(definitionProblem(uniform));
    uniform.kind.k = 5;
    EXPECT_THAT(
        definitionProblem(uniform).value_or(""),
        HasSubstr("at 3 variables cannot be generated: 3 variables and 1 clauses: uniform"));
    // p belongs to the mixed model alone, from 0 to 1.
    uniform.kind.k = 3;
    for (const auto& [model, p, refused] :
         {std::tuple(FormulaModel::Uniform, 500000, true),
          std::tuple(FormulaModel::Mixed, 0, false),
          std::tuple(FormulaModel::Mixed, kWholeFraction, false),
          std::tuple(FormulaModel::Mixed, kWholeFraction + 1, true),
          std::tuple(FormulaModel::Mixed, -1, true)}) {
        uniform.kind.model = model;
        uniform.kind.pMillionths = p;
        EXPECT_EQ(definitionProblem(uniform).has_value(), refused) << p;
    }
}

TEST(CellSummary, OrderStatisticsAndTheWilsonInterval) {
    std::vector<FormulaResult> results;
    for (const std::uint64_t steps : {9, 1, 8, 2, 7, 3, 6, 4, 5, 100}) {
        results.push_back(FormulaResult{0, steps % 2 == 0, {steps}});
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
    const std::vector<FormulaResult> none(3, FormulaResult{0, false, {1}});
    const CellSummary zero = summarise(none, scratch);
    EXPECT_EQ(zero.satLow, 0.0);
    EXPECT_NEAR(zero.satHigh, 0.5615, 1e-4);
    const std::vector<FormulaResult> all(3, FormulaResult{0, true, {1}});
    EXPECT_EQ(summarise(all, scratch).satHigh, 1.0);
}

// The classic report's first two tables, from the classic defaults (the
// whole report: experiment_test.cpp and the program test; the classic cap of
// 319 clauses bites only in its last row, which a sweep does not share).
TEST(SweepRunner, TheClassicDefaultsGiveTheClassicReportsTables) {
    const SweepRun run =
        runSweep(sweepOf("10,20", "2,3,4,4.5,5,6,7,8", 301, 64540), OutputFormat::Table, 1);
    EXPECT_TRUE(run.completed()) << run.what();
    EXPECT_EQ(run.formulasDone, 16U * 301U);
    const std::string report = scratch::read(SATPHASE_EXPECTED_REPORT);
    EXPECT_EQ(run.text, report.substr(0, report.find("Num of vars : 30")));
}

// A sweep of 20 and 30 variables across the threshold, decided by `solvers`
// (none: the splitting search without --solver) on `jobs` threads.
SweepRun runSolvers(std::vector<SolverKind> solvers, std::int32_t jobs) {
    SweepDefinition definition = sweepOf("20,30", "3,4.26,6", 31, 777);
    if (!solvers.empty()) {
        definition.solvers = std::move(solvers);
        definition.namesSolvers = true;
    }
    return runSweep(definition, OutputFormat::Csv, jobs);
}

// Each formula is drawn once and decided by every solver listed, whose verdicts
// must agree: the splitting search's costs are those of a sweep without
// solvers, each solver's costs sit in their own place, threads change nothing.
// The local searches, 60 flips a formula, solve only satisfiable formulas and
// leave the others unknown without a disagreement.
TEST(SolverSweep, EverySolverDecidesTheSameFormulasWhateverTheJobs) {
    std::vector<SolverKind> solvers{SolverKind::Splitting, SolverKind::Dpll, SolverKind::Probsat,
                                    SolverKind::Walksat};
    if (!unavailability(SolverKind::Cdcl)) {
        solvers.push_back(SolverKind::Cdcl);
    }
    SweepDefinition definition = sweepOf("20,30", "3,4.26,6", 31, 777);
    definition.solvers = solvers;
    definition.namesSolvers = true;
    definition.localSearch.maxFlips = 60;
    const auto run = [&](std::int32_t jobs) {
        return runSweep(definition, OutputFormat::Csv, jobs);
    };
    const SweepRun plain = runSolvers({}, 1);
    const SweepRun one = run(1);
    const SweepRun two = run(2);
    ASSERT_TRUE(one.completed()) << one.what();
    ASSERT_TRUE(two.completed()) << two.what();
    ASSERT_EQ(one.formulas.size(), 6U * 31U);
    ASSERT_EQ(one.summaries.size(), 6U * solvers.size());
    std::uint64_t propagations = 0;
    std::vector<std::uint64_t> total(solvers.size());
    std::int32_t solved = 0;
    for (std::size_t f = 0; f < one.formulas.size(); ++f) {
        const FormulaResult& a = one.formulas[f];
        const FormulaResult& b = two.formulas[f];
        EXPECT_EQ(a.startState, plain.formulas[f].startState);
        EXPECT_EQ(a.satisfiable, plain.formulas[f].satisfiable) << f;
        EXPECT_EQ(a.costs[0], plain.formulas[f].costs[0]) << f;
        EXPECT_EQ(std::tie(a.costs, a.propagations, a.solved),
                  std::tie(b.costs, b.propagations, b.solved))
            << f;
        EXPECT_TRUE(a.satisfiable || (!a.solved[2] && !a.solved[3])) << f;
        solved += a.solved[2] ? 1 : 0;
        propagations += a.propagations;
        for (std::size_t i = 0; i < solvers.size(); ++i) {
            total[i] += a.costs[i];
        }
    }
    // Each column holds its own counts: the splitting search takes far more steps
    // than dpll takes branches, and the hard cells cost CaDiCaL conflicts.
    EXPECT_GT(total[0], 4 * total[1]);
    EXPECT_GT(propagations, total[1]);
    for (const std::uint64_t cost : total) {
        EXPECT_GT(cost, 0U);
    }
    // Each cell's summaries are its solvers' in list order, one verdict count.
    for (std::size_t cell = 0; cell < 6; ++cell) {
        const std::span<const FormulaResult> formulas(one.formulas.data() + cell * 31, 31);
        std::vector<std::uint64_t> scratch;
        for (std::size_t i = 0; i < solvers.size(); ++i) {
            const CellSummary& s = one.summaries[cell * solvers.size() + i];
            if (isComplete(solvers[i])) {  // a local search's are of what it solved
                EXPECT_EQ(s.max, summarise(formulas, scratch, i).max);
            }
            EXPECT_EQ(s.unsatisfiable, one.summaries[cell * solvers.size()].unsatisfiable);
        }
    }
    // probsat solves 88 formulas; at 20 variables and ratio 4.26, 16 of the 22
    // satisfiable ones, the other 6 unknown.
    EXPECT_EQ(solved, 88);
    const CellSummary& cell1 = one.summaries[solvers.size() + 2];
    EXPECT_EQ(std::tuple(cell1.solved, cell1.unsatisfiable), std::tuple(16, 9));
}

// Mixed formulas, whose clauses have two widths, decided by every complete
// solver alike across the transition: for p = 0.2 at 1 / (1 - p) = 1.25,
// for p = 0.6 beyond 2.5 at these sizes. A solver that took the widths
// wrong would disagree, or all would change a count.
TEST(SolverSweep, EveryCompleteSolverDecidesMixedFormulasAlike) {
    const struct {
        std::int32_t p;
        std::vector<std::int32_t> unsat;  // per cell: 30, then 50 variables, of 20
    } cases[] = {
        {200000, {0, 5, 20, 1, 4, 20}},
        {600000, {0, 1, 8, 0, 0, 7}},
    };
    for (const auto& c : cases) {
        SweepDefinition definition = sweepOf("30,50", "1,1.5,2.5", 20, 4242);
        definition.kind.model = FormulaModel::Mixed;
        definition.kind.pMillionths = c.p;
        definition.solvers = {SolverKind::Splitting, SolverKind::Dpll, SolverKind::Lookahead};
        if (!unavailability(SolverKind::Cdcl)) {
            definition.solvers.push_back(SolverKind::Cdcl);
        }
        definition.namesSolvers = true;
        ASSERT_FALSE(definitionProblem(definition));
        const SweepRun run = runSweep(definition, OutputFormat::Csv, 2);
        ASSERT_TRUE(run.completed()) << run.what();
        std::vector<std::int32_t> unsat;
        for (std::size_t i = 0; i < run.summaries.size(); i += definition.solvers.size()) {
            unsat.push_back(run.summaries[i].unsatisfiable);
        }
        EXPECT_EQ(unsat, c.unsat) << "p = " << c.p;
    }
}

// A local search alone, on planted formulas beyond the complete solvers'
// sizes: every one solved, and none taken for unsatisfiable.
TEST(SolverSweep, ALocalSearchAloneSolvesLargePlantedFormulas) {
    SweepDefinition planted = sweepOf("50", "4.2", 3, 777);
    planted.vars = {5000};
    planted.kind.model = FormulaModel::Planted;
    planted.solvers = {SolverKind::Probsat};
    planted.namesSolvers = true;
    ASSERT_FALSE(definitionProblem(planted));
    const SweepRun large = runSweep(planted, OutputFormat::Csv, 2);
    ASSERT_TRUE(large.completed()) << large.what();
    EXPECT_EQ(large.summaries[0].solved, 3);
}

// A sweep of a model, 40 formulas a cell, written as per-formula JSON Lines.
SweepRun runModel(FormulaModel model, std::int32_t k, const char* vars, const char* ratios,
                  std::int32_t jobs) {
    SweepDefinition definition = sweepOf(vars, ratios, 40, 12345);
    definition.perFormula = true;
    definition.kind.model = model;
    definition.kind.k = k;
    EXPECT_FALSE(definitionProblem(definition));
    return runSweep(definition, OutputFormat::JsonLines, jobs);
}

TEST(SweepRunner, OtherModelsAreDrawnAtTheirClauseLengthAndTheSameForAnyNumberOfThreads) {
    // Each sweep far from its model's threshold (uniform 2-SAT: 1, 5-SAT: 21.1;
    // a planted formula is always satisfiable): one that drew the classic
    // formulas or clauses of another length would give other verdicts.
    const struct {
        FormulaModel model;
        std::int32_t k;
        const char *vars, *ratios;
        std::vector<int> satisfiable;  // per cell, of 40
    } cases[] = {
        {FormulaModel::Uniform, 5, "20", "8", {40}},
        {FormulaModel::Uniform, 2, "100", "0.3,3", {40, 0}},
        {FormulaModel::Planted, 3, "40", "7", {40}},
        {FormulaModel::TwoHidden, 4, "30", "15", {40}},
    };
    for (const auto& c : cases) {
        const std::string named =
            R"("model":")" + std::string(modelName(c.model)) + R"(","k":)" + std::to_string(c.k);
        const SweepRun one = runModel(c.model, c.k, c.vars, c.ratios, 1);
        ASSERT_TRUE(one.completed()) << named;
        EXPECT_EQ(runModel(c.model, c.k, c.vars, c.ratios, 2).text, one.text) << named;
        std::vector<int> satisfiable(c.satisfiable.size());
        for (std::size_t f = 0; f < one.formulas.size(); ++f) {
            satisfiable.at(f / 40) += one.formulas[f].satisfiable ? 1 : 0;
        }
        EXPECT_EQ(satisfiable, c.satisfiable) << named;
        // The sweep line and every record name the model and its clause length.
        const std::vector<std::string> lines = test_support::lines(one.text);
        EXPECT_EQ(lines.size(), 1 + 40 * satisfiable.size()) << named;
        for (const std::string& line : lines) {
            EXPECT_THAT(line, HasSubstr(named)) << line;
        }
    }
}

// A decided cell's verdicts, checked once the cell is decided: the first
// trial whose verdicts cannot all be right is named, whatever comes after
// it; unknown verdicts agree with anything; a planted formula called
// unsatisfiable counts only in a planted sweep that decides formulas, and
// after every fault of a search in the cell.
TEST(VerdictCheck, TheFirstImpossibleVerdictOfACellIsNamed) {
    using Verdicts = std::array<SolverResult, kSolverCount>;
    constexpr std::size_t kTrials = 10;
    SweepDefinition definition = sweepOf("20", "4", kTrials, 1);
    definition.solvers = {SolverKind::Splitting, SolverKind::Dpll, SolverKind::Walksat};
    std::vector<FormulaResult> formulas(kTrials);
    std::vector<Verdicts> verdicts(kTrials);
    std::vector<std::uint8_t> split(kTrials, 0);
    for (std::size_t t = 0; t < kTrials; ++t) {
        formulas[t].satisfiable = formulas[t].measuredSatisfiable = t % 2 == 0;
        for (std::size_t i = 0; i < definition.solvers.size(); ++i) {
            verdicts[t][i] = {.kind = definition.solvers[i], .satisfiable = t % 2 == 0};
        }
        verdicts[t][2].decided = t % 2 == 0;  // walksat gives up on the unsatisfiable
    }
    const auto fault = [&] { return verdictFault(definition, formulas, verdicts, split); };
    const auto named = [&](std::int32_t trial, const std::string& what) {
        const std::optional<VerdictFault> found = fault();
        return found && found->kind == VerdictFault::Kind::Disagreed && found->trial == trial &&
               found->what == what;
    };
    EXPECT_FALSE(fault());
    verdicts[9][1].satisfiable = true;
    verdicts[4][1].satisfiable = false;
    EXPECT_TRUE(named(4, "splitting says satisfiable, dpll says unsatisfiable"));
    verdicts[4][1].satisfiable = true;
    verdicts[2][1].modelHolds = false;
    EXPECT_TRUE(named(2, "dpll says satisfiable, but its model falsifies a clause"));
    verdicts[2][1].modelHolds = true;
    verdicts[1][2].decided = verdicts[1][2].satisfiable = true;
    EXPECT_TRUE(named(1, "splitting says unsatisfiable, walksat says satisfiable"));
    verdicts[1][2].decided = verdicts[1][2].satisfiable = false;
    verdicts[9][1].satisfiable = false;

    // The measures, when the sweep takes them, must share the solvers' verdict.
    formulas[5].measuredSatisfiable = true;
    split[3] = 1;
    EXPECT_FALSE(fault());
    definition.measures = {true, true};
    EXPECT_TRUE(named(3,
                      "the backbone and the count of solutions differ on whether it is "
                      "satisfiable"));
    split[3] = 0;
    EXPECT_TRUE(named(5, "the measures call it satisfiable, the solvers not"));
    definition.measures = {};

    // Planted formulas are all satisfiable: trial 1 is the first called not.
    for (const FormulaModel model : {FormulaModel::Planted, FormulaModel::TwoHidden}) {
        definition.kind.model = model;
        const std::optional<VerdictFault> planted = fault();
        ASSERT_TRUE(planted);
        EXPECT_EQ(std::tie(planted->kind, planted->trial),
                  std::tuple(VerdictFault::Kind::PlantedUnsatisfiable, 1));
        verdicts[8][1].satisfiable = false;
        EXPECT_TRUE(named(8, "splitting says satisfiable, dpll says unsatisfiable"));
        verdicts[8][1].satisfiable = true;
    }
    definition.kind.model = FormulaModel::Uniform;
    EXPECT_FALSE(fault());
    definition.kind.model = FormulaModel::Planted;
    definition.solvers = {SolverKind::Walksat};  // a local search alone calls nothing unsatisfiable
    for (Verdicts& trial : verdicts) {
        trial[0] = trial[2];
    }
    EXPECT_FALSE(fault());
}

}  // namespace

}  // namespace satphase
