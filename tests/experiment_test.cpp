#include <gmock/gmock.h>

#include <cctype>
#include <streambuf>

#include "experiment/report.h"
#include "experiment/trial_runner.h"
#include "platform/tone.h"
#include "test_support.h"

namespace {

using ::testing::Invoke;
using ReportTest = test_support::FromInitialState;

class MockTone : public Tone {
  public:
    MOCK_METHOD(void, sound, (int frequencyHz, int durationMs), (override));
};

TEST(CellResultTest, BothSixteenBitFieldsComeBackWithTheirSigns) {
    const std::uint32_t packed = packCellResult(-1, -32768);
    EXPECT_EQ(contradictionsOf(packed), -1);
    EXPECT_EQ(medianOf(packed), -32768);
    EXPECT_EQ(contradictionsOf(packCellResult(301, 2461)), 301);
    EXPECT_EQ(medianOf(packCellResult(301, 2461)), 2461);
    EXPECT_EQ(contradictionsOf(kRefusedCell), -1);
}

// Each row's tone sounds after its trials and before its line is written;
// the final, longer tone comes after the last table. Elsewhere the CaDiCaL
// cross-check runs the whole report, with its tones, once for the suite.
#if defined(_WIN32)
TEST_F(ReportTest, WholeRunPrintsTheExpectedTablesWithTonesInPlace) {
    std::ostringstream out;
    ::testing::StrictMock<MockTone> tone;
    std::vector<std::size_t> atRowTones;
    {
        ::testing::InSequence inOrder;
        EXPECT_CALL(tone, sound(kRowToneHz, kRowToneMs))
            .Times(kSizeCount * kRatioCount)
            .WillRepeatedly(Invoke([&](int, int) { atRowTones.push_back(out.str().size()); }));
        EXPECT_CALL(tone, sound(kFinalToneHz, kFinalToneMs));
    }
    runExperiment(tone, out);

    const std::string report = test_support::expectedReport();
    EXPECT_EQ(out.str(), report);
    std::vector<std::size_t> rowStarts;
    for (std::size_t at = 0; at < report.size(); at = report.find('\n', at) + 1) {
        if (std::isdigit(report[at]) != 0) {
            rowStarts.push_back(at);
        }
    }
    EXPECT_EQ(atRowTones, rowStarts);
}
#endif

TEST_F(ReportTest, SingleRowReportHasTheShortLayout) {
    std::ostringstream out;
    reportSingleRow(out);
    EXPECT_EQ(
        out.str(),
        "Num of vars : 10\n-\nClause per variable | Contradictions | Median \n8   299      46\n");
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
    const std::string report = test_support::expectedReport();
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
TEST_F(ReportTest, RefusedShapesLeaveNoTrace) {
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
}

}  // namespace
