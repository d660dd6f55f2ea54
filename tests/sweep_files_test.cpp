// A sweep's files read back: the record schema, the one reader that --resume,
// --check and merge share, and stopping (the output's lock: the resume case of
// sweep_program_test.sh, and the program test's table).
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <csignal>
#include <cstdlib>
#include <regex>
#include <sstream>

#include "platform/build_info.h"
#include "platform/interrupt.h"
#include "scratch.h"
#include "sweep/formula_draw.h"
#include "sweep/merge.h"
#include "sweep/record_reader.h"
#include "sweep/resume.h"
#include "sweep/sweep_runner.h"
#include "sweep_support.h"
#include "test_support.h"

namespace satphase {

namespace {

using sweep_support::edited;
using ::testing::HasSubstr;

namespace fs = std::filesystem;

SweepDefinition smallSweep(bool perFormula) {
    SweepDefinition definition = sweep_support::sweepOf("10,20", "3,4.5", 5, 4242);
    definition.perFormula = perFormula;
    return definition;
}

// What the sweep (or one shard of it) writes, as the program writes it.
std::string written(const SweepDefinition& definition, OutputFormat format,
                    std::optional<Shard> shard = std::nullopt) {
    const sweep_support::SweepRun run = sweep_support::runSweep(definition, format, 1, shard);
    EXPECT_TRUE(run.completed()) << run.what();
    return run.text;
}

std::string joinedLines(const std::vector<std::string>& lines) {
    std::string text;
    for (const std::string& line : lines) {
        text += line + "\n";
    }
    return text;
}

// Whether `line` is refused as a sweep line.
bool refusedSweepLine(const std::string& line) {
    return std::holds_alternative<std::string>(readSweepLine(line));
}

class SweepFiles : public ::testing::Test {
  protected:
    void SetUp() override { dir_ = scratch::directory(); }

    std::string file(const std::string& name, const std::string& text) {
        return scratch::write(dir_ / name, text);
    }

    // What --resume finds in `text`, or its problem.
    std::variant<KeptOutput, KeptProblem> kept(const std::string& text,
                                               const SweepDefinition& definition,
                                               OutputFormat format,
                                               std::optional<Shard> shard = std::nullopt) {
        std::istringstream in(text);
        const std::atomic<bool> stop{false};
        return readKeptOutput(in, OutputSpec{format, shard, "out"}, definition,
                              selectCells(definition, shard), stop);
    }

    // How many cells --resume keeps of JSON Lines `text`, or -1 for a problem.
    std::int32_t cellsKept(const std::string& text, const SweepDefinition& definition) {
        const auto read = kept(text, definition, OutputFormat::JsonLines);
        return std::holds_alternative<KeptOutput>(read) ? std::get<KeptOutput>(read).cells : -1;
    }

    // The problems merge finds in the files holding `texts`, all in one line.
    std::string mergeProblems(const std::vector<std::string>& texts,
                              OutputFormat format = OutputFormat::JsonLines) {
        std::vector<std::string> paths;
        for (std::size_t i = 0; i < texts.size(); ++i) {
            paths.push_back(file("shard" + std::to_string(i), texts[i]));
        }
        const MergeOutcome outcome = mergeShards(paths, format);
        std::string all;
        for (const std::string& problem : outcome.problems) {
            all += problem + "|";
        }
        EXPECT_TRUE(outcome.problems.empty() || outcome.output.empty());
        return all;
    }

    fs::path dir_;
};

TEST(RecordSchema, HeadersAreTheDocumentedOnesAndEveryColumnReadsBackItsOwnValue) {
    SweepDefinition definition = smallSweep(false);
    EXPECT_EQ(outputPreamble(OutputFormat::Csv, definition),
              "cell,vars,clauses,ratio,trials,unsat,sat_fraction,sat_low,sat_high,median_steps,"
              "q1_steps,q3_steps,mean_steps,max_steps,seconds,start_state\n");
    definition.perFormula = true;
    EXPECT_EQ(outputPreamble(OutputFormat::Csv, definition),
              "cell,vars,clauses,ratio,trial,start_state,satisfiable,steps\n");
    // Another model names itself after the ratio, and the program's version
    // and commit close the sweep line.
    definition.kind.model = FormulaModel::Uniform;
    definition.kind.k = 4;
    EXPECT_EQ(outputPreamble(OutputFormat::Csv, definition),
              "cell,vars,clauses,ratio,model,k,trial,start_state,satisfiable,steps\n");
    EXPECT_THAT(outputPreamble(OutputFormat::JsonLines, definition, Shard{2, 3}),
                HasSubstr("\"per_formula\":true,\"model\":\"uniform\",\"k\":4,\"shard\":\"2/3\","
                          "\"version\":\"" +
                          std::string(programVersion()) + "\",\"commit\":\""));

    // Every column of a cell record holds its own value: all differ here.
    definition = smallSweep(false);
    const std::vector<SweepCell> cells = cellsOf(definition);
    std::vector<FormulaResult> results;
    for (const std::uint64_t steps : {7, 2, 30, 11, 5}) {
        results.push_back(FormulaResult{0, steps != 11, {steps}});
    }
    std::vector<std::uint64_t> scratch;
    const CellSummary summary = summarise(results, scratch);
    ASSERT_TRUE(summary.lowerQuartile < summary.median && summary.median < summary.upperQuartile);
    const double seconds = 0.25;
    for (const OutputFormat format : {OutputFormat::Csv, OutputFormat::JsonLines}) {
        std::string text;
        CellTextWriter(format, definition)
            .append(FinishedCell{cells[3], 777, 0.25, results, {&summary, 1}, {&seconds, 1}}, text);
        text.pop_back();
        RecordRead read;
        ASSERT_FALSE(readRecord(format, text, definition, cells, read)) << text;
        const CellSummary& r = read.summary;
        EXPECT_EQ(std::tuple(read.cell, read.startState, read.seconds, r.unsatisfiable, r.max),
                  std::tuple(3, 777, 0.25, 1, 30U));
        const CellSummary& w = summary;
        EXPECT_EQ(
            std::tie(r.lowerQuartile, r.median, r.upperQuartile, r.mean, r.satLow, r.satHigh),
            std::tie(w.lowerQuartile, w.median, w.upperQuartile, w.mean, w.satLow, w.satHigh));
    }
}

TEST(RecordReader, EditedNumbersAndHostileLinesAreRefused) {
    const SweepDefinition definition = smallSweep(false);
    const std::vector<SweepCell> cells = cellsOf(definition);
    const std::vector<std::string> json =
        test_support::lines(written(definition, OutputFormat::JsonLines));
    const std::string& line = json[2];  // cell 1: 10 variables, ratio 4.5
    RecordRead read;
    ASSERT_FALSE(readRecord(OutputFormat::JsonLines, line, definition, cells, read));
    // Each edit "key value" puts a value of its own into the key.
    for (const std::string edit :
         {"unsat 30", "unsat -1", "unsat 2147483648", "sat_fraction 7", "median_steps -1",
          "cell 4294967297", "trials 4294967301", "ratio 4.55", "ratio 4.5e0", "q1_steps 99999",
          "start_state 4294967297", "trials [5]", "vars 10.0", "mean_steps 1e9"}) {
        EXPECT_TRUE(
            readRecord(OutputFormat::JsonLines, edited(line, edit), definition, cells, read))
            << edit;
    }
    const std::string csv = test_support::lines(written(definition, OutputFormat::Csv))[2];
    EXPECT_FALSE(readRecord(OutputFormat::Csv, csv, definition, cells, read));
    EXPECT_TRUE(readRecord(OutputFormat::Csv, std::regex_replace(csv, std::regex(",5,"), ",5abc,"),
                           definition, cells, read));
    EXPECT_TRUE(readRecord(OutputFormat::Csv, csv + ",1", definition, cells, read));

    // A formula's trial index at its bound.
    const SweepDefinition formulas = smallSweep(true);
    const std::string formula = test_support::lines(written(formulas, OutputFormat::JsonLines))[1];
    EXPECT_FALSE(readRecord(OutputFormat::JsonLines, formula, formulas, cells, read));
    EXPECT_TRUE(
        readRecord(OutputFormat::JsonLines, edited(formula, "trial", "5"), formulas, cells, read));

    // Nesting too deep for any stack, and sweep lines that would hang or overflow.
    const std::string deep = "{\"cell\":" + std::string(300000, '[');
    EXPECT_TRUE(readRecord(OutputFormat::JsonLines, deep, definition, cells, read));
    EXPECT_TRUE(refusedSweepLine("{\"sweep\":" + deep));
    const std::string& sweepLine = json[0];
    EXPECT_TRUE(std::holds_alternative<SweepHeader>(readSweepLine(sweepLine)));
    for (const std::string edit : {"seed 0", "seed 2147483647", "seed 4294967296", "ratios [1e308]",
                                   "ratios [4.1234567]", "trials 0", "vars [2]", "per_formula 1",
                                   R"(seed 1,"solvers":2)", R"(seed 1,"model":"classic","k":4)"}) {
        EXPECT_TRUE(refusedSweepLine(edited(sweepLine, edit))) << edit;
    }
}

TEST_F(SweepFiles, ResumeKeepsWhatItsSweepWroteAndRefusesAllElseUntouched) {
    const SweepDefinition definition = smallSweep(true);
    const std::string whole = written(definition, OutputFormat::JsonLines);
    std::vector<std::string> lines = test_support::lines(whole);
    // Its own file: whole, only its header, cut mid-cell and torn, from an
    // older version without version keys, or from another version.
    EXPECT_TRUE(std::get<KeptOutput>(kept(whole, definition, OutputFormat::JsonLines)).complete);
    EXPECT_EQ(cellsKept(lines[0] + "\n", definition), 0);
    EXPECT_EQ(
        cellsKept(joinedLines({lines.begin(), lines.begin() + 9}) + "{\"cell\":1,\"va", definition),
        1);
    const std::string older =
        std::regex_replace(lines[0], std::regex(R"(,"version":.*\}\}$)"), "}}");
    ASSERT_NE(older, lines[0]);
    EXPECT_EQ(cellsKept(older + "\n" + whole.substr(lines[0].size() + 1), definition), 4);
    EXPECT_EQ(cellsKept(edited(lines[0], "version", "\"9.9.9\"") + "\n", definition), 0);
    EXPECT_EQ(cellsKept(lines[0].substr(0, 20), definition), 0);  // its own header, cut off

    // Not its own: other trials, an edited start state, a trial out of place
    // (someone's file and another seed's: the program test's table).
    EXPECT_EQ(cellsKept(edited(lines[0], "trials", "6") + "\n", definition), -1);
    std::vector<std::string> edits = lines;
    edits[4] = edited(edits[4], "start_state", "12345");
    const auto read = kept(joinedLines(edits), definition, OutputFormat::JsonLines);
    ASSERT_TRUE(std::holds_alternative<KeptProblem>(read));
    EXPECT_THAT(std::get<KeptProblem>(read).message,
                HasSubstr("out:5: cell 0 trial 3 starts at state"));
    std::swap(lines[2], lines[3]);
    EXPECT_EQ(cellsKept(joinedLines(lines), definition), -1);
}

// Shards merged, one of them from an older version without version keys:
// what the whole sweep writes, cells or formulas, with solvers or without.
TEST_F(SweepFiles, MergeJoinsShardsIntoTheWholeSweep) {
    SweepDefinition solvers = smallSweep(false);
    solvers.solvers = {SolverKind::Dpll, SolverKind::Splitting};
    solvers.namesSolvers = true;
    SweepDefinition solverFormulas = solvers;
    solverFormulas.perFormula = true;
    for (const SweepDefinition& definition :
         {smallSweep(false), smallSweep(true), solvers, solverFormulas}) {
        std::vector<std::string> paths;
        for (std::int32_t i = 1; i <= 3; ++i) {
            std::string text = written(definition, OutputFormat::JsonLines, Shard{i, 3});
            if (i == 2) {
                text = std::regex_replace(text, std::regex(R"(,"version":[^}]*\}\})"), "}}");
            }
            paths.push_back(file(std::string(1, 's').append(std::to_string(i)), text));
        }
        const OutputFormat format = !definition.perFormula     ? OutputFormat::Table
                                    : !definition.namesSolvers ? OutputFormat::JsonLines
                                                               : OutputFormat::Csv;
        const MergeOutcome merged = mergeShards(paths, format);
        ASSERT_TRUE(merged.problems.empty()) << merged.problems.front();
        EXPECT_EQ(merged.output, written(definition, format));
        ASSERT_EQ(merged.warnings.size(), 1U);
        EXPECT_THAT(merged.warnings[0], HasSubstr("different versions"));
    }
}

// lookahead's per-formula records give its look-aheads after its cost; the
// version before wrote them without, and such files resume and merge in their
// own layout, never mixed with today's.
TEST_F(SweepFiles, LookaheadRecordsOfTheVersionBeforeResumeAndMergeAsTheyAre) {
    SweepDefinition today = smallSweep(true);
    today.solvers = {SolverKind::Lookahead, SolverKind::Dpll};
    today.namesSolvers = true;
    const SweepDefinition before = previousLayout(today).value();
    const std::vector<std::string> csv = test_support::lines(written(today, OutputFormat::Csv));
    EXPECT_EQ(csv[0] + "|" + csv[1],
              "cell,vars,clauses,ratio,trial,start_state,satisfiable,lookahead_cost,"
              "lookahead_lookaheads,dpll_cost,dpll_propagations|0,10,30,3,0,4242,1,2,37,3,9");
    for (const OutputFormat format : {OutputFormat::Csv, OutputFormat::JsonLines}) {
        for (const SweepDefinition& layout : {today, before}) {
            const auto read = kept(written(layout, format), today, format);
            ASSERT_TRUE(std::holds_alternative<KeptOutput>(read));
            EXPECT_TRUE(std::get<KeptOutput>(read).complete);
            EXPECT_EQ(std::get<KeptOutput>(read).recordsLookaheads, layout.recordsLookaheads);
        }
    }
    std::vector<std::string> paths;
    for (std::int32_t i = 1; i <= 2; ++i) {
        paths.push_back(
            file("old" + std::to_string(i), written(before, OutputFormat::JsonLines, Shard{i, 2})));
    }
    EXPECT_EQ(mergeShards(paths, OutputFormat::Csv).output, written(before, OutputFormat::Csv));
    EXPECT_THAT(mergeProblems({written(today, OutputFormat::JsonLines, Shard{1, 2}),
                               written(before, OutputFormat::JsonLines, Shard{2, 2})}),
                HasSubstr("shard1:2: not a record of this sweep: has 10 keys"));
}

// A sweep with solvers: the columns analyze reads, one cell record per solver
// in list order, which --resume puts together as the sweep writes them; and a
// file with solvers is no file of the same sweep without them, nor the reverse.
TEST_F(SweepFiles, SolverRecordsRoundTripAndAreNoOtherSweepsRecords) {
    SweepDefinition definition = smallSweep(false);
    definition.solvers = {SolverKind::Dpll, SolverKind::Splitting};
    definition.namesSolvers = true;
    EXPECT_EQ(outputPreamble(OutputFormat::Csv, definition),
              "cell,vars,clauses,ratio,trials,unsat,sat_fraction,sat_low,sat_high,solver,"
              "cost_unit,median_cost,q1_cost,q3_cost,mean_cost,max_cost,seconds,start_state\n");
    SweepDefinition formulas = definition;
    formulas.perFormula = true;
    EXPECT_EQ(outputPreamble(OutputFormat::Csv, formulas),
              "cell,vars,clauses,ratio,trial,start_state,satisfiable,dpll_cost,"
              "dpll_propagations,splitting_cost\n");

    const std::string whole = written(definition, OutputFormat::JsonLines);
    std::vector<std::string> lines = test_support::lines(whole);
    ASSERT_EQ(lines.size(), 1U + 4U * 2U);
    EXPECT_THAT(lines[3], HasSubstr("\"cell\":1,"));
    EXPECT_THAT(lines[3], HasSubstr("\"solver\":\"dpll\",\"cost_unit\":\"branches\""));
    EXPECT_THAT(lines[4], HasSubstr("\"solver\":\"splitting\",\"cost_unit\":\"steps\""));
    EXPECT_TRUE(std::get<KeptOutput>(kept(whole, definition, OutputFormat::JsonLines)).complete);
    // A cell is kept only with every solver's record.
    EXPECT_EQ(cellsKept(joinedLines({lines.begin(), lines.begin() + 4}), definition), 1);
    // Not this sweep's: solvers out of order, a wrong unit, an unsatisfiable
    // count that differs between a cell's solvers, or the sweep without solvers.
    std::vector<std::string> edits = lines;
    std::swap(edits[3], edits[4]);
    EXPECT_EQ(cellsKept(joinedLines(edits), definition), -1);
    edits = lines;
    edits[4] = std::regex_replace(edits[4], std::regex("\"steps\""), "\"branches\"");
    EXPECT_EQ(cellsKept(joinedLines(edits), definition), -1);
    edits = lines;
    RecordRead read;
    const std::vector<SweepCell> cells = cellsOf(definition);
    ASSERT_FALSE(readRecord(OutputFormat::JsonLines, lines[4], definition, cells, read));
    const std::int32_t unsat = read.summary.unsatisfiable == 0 ? 1 : 0;
    const SatInterval interval = satInterval(unsat, 5);
    edits[4] = edited(edits[4], "unsat", std::to_string(unsat));
    edits[4] = edited(edits[4], "sat_fraction", shortestText(interval.fraction));
    edits[4] = edited(edits[4], "sat_low", shortestText(interval.low));
    edits[4] = edited(edits[4], "sat_high", shortestText(interval.high));
    ASSERT_FALSE(readRecord(OutputFormat::JsonLines, edits[4], definition, cells, read));
    EXPECT_EQ(cellsKept(joinedLines(edits), definition), -1);
    EXPECT_EQ(cellsKept(whole, smallSweep(false)), -1);
    EXPECT_EQ(cellsKept(written(smallSweep(false), OutputFormat::JsonLines), definition), -1);

    // As a table: per size one table per solver, named with its unit.
    EXPECT_THAT(written(definition, OutputFormat::Table),
                HasSubstr("Solver : dpll (cost in branches)\nNum of vars : 10\n"));
}

// A mixed sweep's records carry its p after k, per cell and per formula, in
// CSV and JSON Lines, and read back only as records of that p: resumed,
// checked and merged with files of its own p, never another's.
TEST_F(SweepFiles, MixedRecordsCarryTheirPAndOnlyTheirOwnPReadsThem) {
    const auto mixed = [](bool perFormula, std::int32_t p) {
        SweepDefinition definition = smallSweep(perFormula);
        definition.kind.model = FormulaModel::Mixed;
        definition.kind.pMillionths = p;
        return definition;
    };
    EXPECT_EQ(outputPreamble(OutputFormat::Csv, mixed(true, 250000)),
              "cell,vars,clauses,ratio,model,k,p,trial,start_state,satisfiable,steps\n");
    for (const bool perFormula : {false, true}) {
        const SweepDefinition definition = mixed(perFormula, 250000);
        const SweepDefinition other = mixed(perFormula, 1000000);
        const std::vector<SweepCell> cells = cellsOf(definition);
        for (const OutputFormat format : {OutputFormat::Csv, OutputFormat::JsonLines}) {
            const std::vector<std::string> lines = test_support::lines(written(definition, format));
            ASSERT_EQ(lines.size(), 1U + (perFormula ? 20U : 4U));
            EXPECT_THAT(lines[1], HasSubstr(format == OutputFormat::Csv ? ",mixed,3,0.25,"
                                                                        : R"("k":3,"p":0.25,)"));
            RecordRead read;
            for (std::size_t i = 1; i < lines.size(); ++i) {
                EXPECT_FALSE(readRecord(format, lines[i], definition, cells, read)) << lines[i];
                EXPECT_TRUE(readRecord(format, lines[i], other, cells, read)) << lines[i];
            }
        }
        const std::vector<std::string> lines =
            test_support::lines(written(definition, OutputFormat::JsonLines));
        EXPECT_EQ(std::get<SweepHeader>(readSweepLine(lines[0])).definition.kind.pMillionths,
                  250000);
        EXPECT_THAT(test_support::lines(written(other, OutputFormat::JsonLines))[0],
                    HasSubstr(R"("k":3,"p":1.0,)"));
        for (const std::string p : {"1.5", "-0.25", "0.1234567", "1", R"("0.25")"}) {
            EXPECT_TRUE(refusedSweepLine(edited(lines[0], "p", p))) << p;
        }
        EXPECT_TRUE(
            refusedSweepLine(std::regex_replace(lines[0], std::regex(R"(,"p":0\.25)"), "")));
        EXPECT_TRUE(refusedSweepLine(std::regex_replace(lines[0], std::regex("mixed"), "uniform")));
        // Resumed to the cell it holds whole; not by the sweep of another p.
        const std::size_t firstCell = perFormula ? 1 + 5 : 1 + 1;
        const std::string begun = joinedLines({lines.begin(), lines.begin() + firstCell});
        EXPECT_EQ(cellsKept(begun, definition), 1);
        EXPECT_EQ(cellsKept(begun, other), -1);
        EXPECT_THAT(mergeProblems({written(definition, OutputFormat::JsonLines, Shard{1, 2}),
                                   written(other, OutputFormat::JsonLines, Shard{2, 2})}),
                    HasSubstr("its sweep line differs"));
    }
}

// Local searches beside a complete solver and alone: their columns, exact
// counts on seeded formulas, the checks that tie solved to satisfiable, and
// a sweep line that must name exactly the settings of the searches it lists.
TEST_F(SweepFiles, LocalSearchRecordsCountTheSolvedAndAgreeWithTheVerdicts) {
    SweepDefinition definition = sweep_support::sweepOf("20", "3,4.5", 5, 4242);
    definition.kind.model = FormulaModel::Uniform;
    definition.solvers = {SolverKind::Dpll, SolverKind::Probsat};
    definition.namesSolvers = true;
    definition.localSearch.maxFlips = 2000;
    EXPECT_EQ(outputPreamble(OutputFormat::Csv, definition),
              "cell,vars,clauses,ratio,model,k,trials,unsat,sat_fraction,sat_low,sat_high,solved,"
              "solved_fraction,solved_low,solved_high,solver,cost_unit,median_cost,q1_cost,"
              "q3_cost,mean_cost,max_cost,seconds,start_state\n");
    EXPECT_THAT(outputPreamble(OutputFormat::JsonLines, definition),
                HasSubstr(R"("solvers":["dpll","probsat"],"max_flips":2000,"cb":2.38,"eps":1.0,)"));
    SweepDefinition alone = definition;
    alone.solvers = {SolverKind::Walksat};
    alone.perFormula = true;
    EXPECT_EQ(outputPreamble(OutputFormat::Csv, alone),
              "cell,vars,clauses,ratio,model,k,trial,start_state,walksat_cost,walksat_solved\n");

    const std::string whole = written(definition, OutputFormat::JsonLines);
    std::vector<std::string> lines = test_support::lines(whole);
    ASSERT_EQ(lines.size(), 1U + 2U * 2U);
    // Ratio 4.5: dpll finds 2 of 5 satisfiable, and probsat solves both, in 186
    // and 8 flips; its statistics are of those two alone.
    EXPECT_THAT(lines[3], HasSubstr(R"("unsat":3,)"));
    EXPECT_THAT(lines[4], HasSubstr(R"("solved":2,)"));
    EXPECT_THAT(lines[4], HasSubstr(R"("median_cost":186,"q1_cost":8,"q3_cost":186,)"
                                    R"("mean_cost":97.0,"max_cost":186,)"));
    EXPECT_EQ(cellsKept(whole, definition), 2);
    const std::vector<SweepCell> cells = cellsOf(definition);
    RecordRead read;
    for (const auto& [edit, at, problem] : std::vector<std::tuple<std::string, int, std::string>>{
             {"solved 3", 4, "solved_fraction, solved_low and solved_high are not"},
             {"solved_low 0.1", 4, "solved_fraction, solved_low and solved_high are not"},
             {"solved 5", 3, "solved_fraction"}}) {
        const std::string changed = edited(lines[at], edit);
        EXPECT_THAT(
            readRecord(OutputFormat::JsonLines, changed, definition, cells, read).value_or("read"),
            HasSubstr(problem))
            << edit;
    }
    // Three solved where two are satisfiable, with its interval consistent.
    const SatInterval three = satInterval(2, 5);
    std::string solved = edited(lines[4], "solved", "3");
    solved = edited(solved, "solved_fraction", shortestText(three.fraction));
    solved = edited(solved, "solved_low", shortestText(three.low));
    solved = edited(solved, "solved_high", shortestText(three.high));
    EXPECT_EQ(readRecord(OutputFormat::JsonLines, solved, definition, cells, read),
              "solved is 3, but 2 formulas are satisfiable");

    SweepDefinition formulas = definition;
    formulas.perFormula = true;
    const std::vector<std::string> perFormula =
        test_support::lines(written(formulas, OutputFormat::Csv));
    // Trial 1 of ratio 4.5 is unsatisfiable: probsat cannot have solved it.
    const std::string& unsat = perFormula[7];
    ASSERT_EQ(unsat, "1,20,90,4.5,uniform,3,1,1948130330,0,8,57,2000,0");
    EXPECT_EQ(readRecord(OutputFormat::Csv, unsat.substr(0, unsat.size() - 1) + "1", formulas,
                         cells, read),
              "probsat_solved is true, but the formula is unsatisfiable");

    // The sweep line names the settings of the searches listed, no more, no less.
    const std::string& sweepLine = lines[0];
    ASSERT_TRUE(std::holds_alternative<SweepHeader>(readSweepLine(sweepLine)));
    for (const std::string edit :
         {R"(max_flips 1,"noise":0.5)", R"(eps 1.0,"eps":2)", "cb -1", R"(solvers ["dpll"])"}) {
        EXPECT_TRUE(refusedSweepLine(edited(sweepLine, edit))) << edit;
    }
    EXPECT_TRUE(
        refusedSweepLine(std::regex_replace(sweepLine, std::regex(R"("max_flips":2000,)"), "")));
}

// Problems that come more than one to a merge: each named (the others, as the
// program prints them: the program test's table).
TEST_F(SweepFiles, MergeNamesEveryProblemAndWritesNothing) {
    const SweepDefinition definition = smallSweep(true);
    std::vector<std::string> shards;
    for (std::int32_t i = 1; i <= 2; ++i) {
        shards.push_back(written(definition, OutputFormat::JsonLines, Shard{i, 2}));
    }
    const std::string twice = mergeProblems({shards[0], shards[1], shards[1]});
    EXPECT_THAT(twice, HasSubstr("cell 1 trial 0 is in both ")) << twice;
    EXPECT_THAT(twice, HasSubstr("shard1:2 and "));
    SweepDefinition more = definition;  // a shard of a sweep with other trials
    more.trials = 6;
    EXPECT_THAT(mergeProblems({shards[0], written(more, OutputFormat::JsonLines, Shard{2, 2})}),
                HasSubstr("from another sweep"));
    // A directory or a FIFO named as a shard: a plain message.
    const std::string fifo = (dir_ / "fifo").string();
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    const std::vector<std::string> odd{dir_.string(), fifo};
    const MergeOutcome outcome = mergeShards(odd, OutputFormat::JsonLines);
    ASSERT_EQ(outcome.problems.size(), 2U);
    EXPECT_THAT(outcome.problems[0], HasSubstr(": is a directory"));
    EXPECT_THAT(outcome.problems[1], HasSubstr(": is not a regular file"));
}

TEST(Stopping, EveryLoopLooksAtTheStopFlagAndAFailedWriteEndsTheSweep) {
    const SweepDefinition definition = smallSweep(false);
    const std::vector<SweepCell> cells = cellsOf(definition);
    const std::atomic<bool> stopped{true};
    std::int32_t visits = 0;
    EXPECT_EQ(replayDraws(definition, cells, 3, stopped,
                          [&](const SweepCell&, std::int32_t, std::int32_t) { return ++visits; }),
              ReplayOutcome::Stopped);
    EXPECT_EQ(visits, 0);

    SweepRunner runner(definition, cells, 1);
    SweepRunner::Hooks hooks;
    std::int32_t finished = 0;
    hooks.finished = [&](const FinishedCell&) { ++finished; };
    hooks.halted = [] { return true; };
    SweepProgress progress;
    EXPECT_EQ(runner.run(definition.seed, hooks, stopped, progress),
              SweepRunner::Outcome::Interrupted);
    const std::atomic<bool> going{false};
    EXPECT_EQ(runner.run(definition.seed, hooks, going, progress), SweepRunner::Outcome::Halted);
    EXPECT_EQ(finished, 1);
}

TEST(StoppingDeathTest, ASecondInterruptEndsTheProgramAtOnce) {
    EXPECT_EXIT(
        {
            catchInterrupts();
            std::raise(SIGINT);
            if (!interruptRequested().load()) {
                std::_Exit(1);
            }
            std::raise(SIGTERM);
            std::_Exit(0);
        },
        ::testing::ExitedWithCode(130), "");
}

}  // namespace

}  // namespace satphase
