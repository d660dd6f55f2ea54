#include <gmock/gmock.h>

#include <cctype>
#include <streambuf>
#include <tuple>

#include "classic/experiment/grid.h"
#include "classic/experiment/report.h"
#include "classic/experiment/trial_runner.h"
#include "platform/tone.h"
#include "random/classic_generator.h"
#include "solver/model_check.h"
#include "solver/trail_search.h"
#include "test_support.h"

namespace satphase {

namespace {

using ReportTest = test_support::FromInitialState;

class MockTone : public Tone {
  public:
    MOCK_METHOD(void, sound, (int frequencyHz, int durationMs), (override));
};

// Sounds no tone: at each row's tone it draws the cell's formulas again from
// its start state, with the sweep's generator, and decides them with its search.
class CheckingTone : public Tone {
  public:
    explicit CheckingTone(const std::ostringstream& out) : out_(out) {}
    void sound(int frequencyHz, int durationMs) override {
        tones.emplace_back(frequencyHz, durationMs, out_.str().size());
        if (frequencyHz != kRowToneHz) {
            return;
        }
        const std::int32_t numVars = sizeTable[cell_ / kRatioCount];
        const std::int32_t numClauses = clausesFor(ratioTable[cell_ % kRatioCount], numVars);
        ++cell_;
        RandomStream stream(cellStart_);
        std::vector<std::int16_t> steps;
        int unsatisfiable = 0;
        for (int trial = 0; trial < kTrials; ++trial) {
            EXPECT_TRUE(
                generator_.generate(numVars, std::min(numClauses, kMaxClauses), stream, formula_));
            const TrailSearch::Outcome outcome = search_.decide(formula_);
            steps.push_back(static_cast<std::int16_t>(outcome.steps));
            unsatisfiable += outcome.satisfiable ? 0 : 1;
            if (outcome.satisfiable) {
                EXPECT_EQ(firstFalseClause(formula_, search_.model()), std::nullopt);
            }
        }
        // The same draws, and the classic search's step counts, sorted by the run.
        EXPECT_EQ(stream.state(), rngState) << numVars << "/" << numClauses;
        std::sort(steps.begin(), steps.end());
        EXPECT_TRUE(std::equal(steps.begin(), steps.end(), trialSteps))
            << numVars << "/" << numClauses;
        contradictions.push_back(std::to_string(unsatisfiable));
        cellStart_ = rngState;
    }
    std::vector<std::tuple<int, int, std::size_t>> tones;  // with the output's size then
    std::vector<std::string> contradictions;

  private:
    const std::ostringstream& out_;
    int cell_ = 0;
    std::int32_t cellStart_ = kRngInitialState;
    ClassicGenerator generator_{40, kMaxClauses};
    TrailSearch search_{40, kMaxClauses};
    Formula formula_;
};

// The whole classic report, its one run here: its bytes, a tone before each row
// and a longer one after the last table, and the sweep's engine finding the same
// formulas, the classic search's step counts and the Contradictions column.
TEST_F(ReportTest, TheWholeReportWithEveryFormulaDecidedAgain) {
    std::ostringstream out;
    CheckingTone tone(out);
    runExperiment(tone, out);
    const std::string report = scratch::read(SATPHASE_EXPECTED_REPORT);
    ASSERT_EQ(out.str(), report);

    std::vector<std::tuple<int, int, std::size_t>> expected;
    std::vector<std::string> column;
    for (std::size_t at = 0; at < report.size(); at = report.find('\n', at) + 1) {
        if (const std::size_t gap = report.find("      ", at); std::isdigit(report[at]) != 0) {
            expected.emplace_back(kRowToneHz, kRowToneMs, at);
            column.push_back(report.substr(gap + 6, report.find(' ', gap + 6) - gap - 6));
        }
    }
    expected.emplace_back(kFinalToneHz, kFinalToneMs, report.size());
    EXPECT_EQ(tone.tones, expected);
    EXPECT_EQ(tone.contradictions, column);
}

// Takes `room` characters, then refuses every one and counts the refusals.
class FullDevice : public std::streambuf {
  public:
    explicit FullDevice(std::size_t room) : taken(room, '\0') {
        setp(taken.data(), taken.data() + room);
    }
    std::string taken;
    int refused = 0;

  protected:
    int_type overflow(int_type /*c*/) override {
        ++refused;
        return traits_type::eof();
    }
};

// Once its stream fails, the report writes nothing more and sounds no more
// tones, whether the failure comes in a header or in a row.
TEST_F(ReportTest, AFailedStreamEndsTheReport) {
    const std::string report = scratch::read(SATPHASE_EXPECTED_REPORT);
    const std::size_t secondTable = report.find("Num of vars : 20");
    const std::size_t inHeader = secondTable + 5;
    const std::size_t inThirdRow = report.find("\n4      ", secondTable) + 3;
    for (const auto& [room, tones] : {std::pair{inHeader, 8}, {inThirdRow, 11}}) {
        rngState = kRngInitialState;
        FullDevice device(room);
        std::ostream out(&device);
        ::testing::StrictMock<MockTone> tone;
        EXPECT_CALL(tone, sound(kRowToneHz, kRowToneMs)).Times(tones);
        runExperiment(tone, out);
        ::testing::Mock::VerifyAndClearExpectations(&tone);
        EXPECT_TRUE(out.bad());
        EXPECT_EQ(device.taken, report.substr(0, room));
        EXPECT_EQ(device.refused, 1);
    }
}

// Shapes outside the limits write nothing, draw nothing and sound nothing.
TEST_F(ReportTest, RefusedShapesLeaveNoTraceAndASingleRowHasTheShortLayout) {
    std::ostringstream out;
    ::testing::StrictMock<MockTone> tone;
    for (const std::int32_t numVars : {-4, 0, 2, 3, kMaxVariables + 1}) {
        EXPECT_EQ(reportForSize(numVars, tone, out), -1) << numVars;
    }
    EXPECT_EQ(runTrials(kMaxVariables + 1, 100), kRefusedCell);
    EXPECT_EQ(runTrials(10, 0), kRefusedCell);
    EXPECT_EQ(runTrial(2, 5), -1);
    EXPECT_EQ(out.str(), "");
    EXPECT_EQ(rngState, kRngInitialState);

    // With 4 variables the generator runs out of distinct completions in the
    // second cell: the table ends after its first row.
    EXPECT_CALL(tone, sound(kRowToneHz, kRowToneMs)).Times(1);
    EXPECT_EQ(reportForSize(4, tone, out), -1);
    EXPECT_EQ(
        out.str(),
        "Num of vars : 4\n-\nClause per variable | Contradictions | Median \n2      0      5\n");
    std::ostringstream single;
    rngState = kRngInitialState;
    reportSingleRow(single);
    EXPECT_EQ(
        single.str(),
        "Num of vars : 10\n-\nClause per variable | Contradictions | Median \n8   299      46\n");
    const std::uint32_t packed = packCellResult(-1, -32768);
    EXPECT_EQ(contradictionsOf(packed), -1);
    EXPECT_EQ(medianOf(packed), -32768);
    EXPECT_EQ(contradictionsOf(packCellResult(301, 2461)), 301);
    EXPECT_EQ(medianOf(packCellResult(301, 2461)), 2461);
    EXPECT_EQ(contradictionsOf(kRefusedCell), -1);
}

}  // namespace

}  // namespace satphase
