#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "experiment/report.h"
#include "experiment/trial_runner.h"
#include "formula/formula.h"
#include "platform/tone.h"
#include "random/formula_generator.h"
#include "random/random_source.h"
#include "solver/search.h"

namespace {

using ::testing::InSequence;
using ::testing::Invoke;

class MockTone : public Tone {
  public:
    MOCK_METHOD(void, sound, (int frequencyHz, int durationMs), (override));
};

TEST(CellResultTest, PacksBothSixteenBitFieldsWithoutLosingSigns) {
    const std::uint32_t packed = packCellResult(301, 2461);
    EXPECT_EQ(packed, (2461U << 16U) | 301U);
    EXPECT_EQ(contradictionsOf(packed), 301);
    EXPECT_EQ(medianOf(packed), 2461);

    const std::uint32_t wrapped = packCellResult(-1, -32768);
    EXPECT_EQ(wrapped, 0x8000FFFFU);
    EXPECT_EQ(contradictionsOf(wrapped), -1);
    EXPECT_EQ(medianOf(wrapped), -32768);
}

// The cell's figures, recomputed here from the same stream of formulas.
TEST(TrialRunnerTest, CellCountsUnsatisfiableFormulasAndTakesTheMiddleStepCount) {
    rngState = kRngInitialState;
    std::vector<std::int16_t> steps;
    int unsatisfiable = 0;
    for (int trial = 0; trial < kTrials; ++trial) {
        unsatisfiable += solve(generateFormula(10, 45)) == 0 ? 1 : 0;
        steps.push_back(stepCounter);
    }
    std::nth_element(steps.begin(), steps.begin() + 150, steps.end());

    rngState = kRngInitialState;
    const std::uint32_t result = runTrials(10, 45);
    EXPECT_EQ(contradictionsOf(result), unsatisfiable);
    EXPECT_EQ(medianOf(result), steps[150]);
    EXPECT_EQ(trialSteps[kMedianIndex], steps[150]);
    EXPECT_GT(unsatisfiable, 0);
    EXPECT_LT(unsatisfiable, kTrials);
}

std::string expectedReport() {
    std::ifstream file(SATPHASE_EXPECTED_REPORT, std::ios::binary);
    std::ostringstream text;
    text << file.rdbuf();
    return text.str();
}

// Each row's tone sounds after its trials and before its line is written;
// the final, longer tone comes after the last table.
TEST(ReportTest, WholeRunPrintsTheExpectedTablesWithTonesInPlace) {
    rngState = kRngInitialState;
    std::ostringstream out;
    MockTone tone;
    std::vector<std::size_t> rowTonePositions;
    {
        InSequence inOrder;
        EXPECT_CALL(tone, sound(kRowToneHz, kRowToneMs))
            .Times(32)
            .WillRepeatedly(
                Invoke([&](int, int) { rowTonePositions.push_back(out.str().size()); }));
        EXPECT_CALL(tone, sound(kFinalToneHz, kFinalToneMs)).Times(1);
    }
    runExperiment(tone, out);

    const std::string report = out.str();
    EXPECT_EQ(report, expectedReport());
    ASSERT_EQ(rowTonePositions.size(), 32U);
    const char* const rowStarts[] = {"2      ", "3      ", "4      ", "4.5      ",
                                     "5      ", "6      ", "7      ", "8      "};
    for (std::size_t row = 0; row < rowTonePositions.size(); ++row) {
        // At the tone the text written so far ends a line, and this row comes next.
        const std::size_t position = rowTonePositions[row];
        ASSERT_GT(position, 0U);
        EXPECT_EQ(report[position - 1], '\n');
        EXPECT_EQ(
            report.compare(position, std::string(rowStarts[row % 8]).size(), rowStarts[row % 8]), 0)
            << "row " << row;
    }
}

TEST(ReportTest, SingleRowReportHasTheShortLayout) {
    rngState = kRngInitialState;
    const std::uint32_t expected = runTrials(10, 80);
    rngState = kRngInitialState;
    std::ostringstream out;
    reportSingleRow(out);
    std::ostringstream wanted;
    wanted << "Num of vars : 10\n-\nClause per variable | Contradictions | Median \n8   "
           << contradictionsOf(expected) << "      " << medianOf(expected) << "\n";
    EXPECT_EQ(out.str(), wanted.str());
}

}  // namespace
