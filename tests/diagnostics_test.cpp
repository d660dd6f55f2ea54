#include "classic/diagnostics/random_tests.h"
#include "classic/diagnostics/sample_formula.h"
#include "classic/diagnostics/variable_coverage.h"
#include "test_support.h"

using test_support::lines;
using test_support::stateAfter;

namespace {

using DiagnosticsTest = test_support::FromInitialState;

TEST_F(DiagnosticsTest, SampleFormulaIsPrintedAndSatisfiedInOneStep) {
    stepCounter = 41;
    std::ostringstream out;
    solveSampleFormula(out);
    EXPECT_EQ(out.str(),
              "Clauses : 3\nVariables : 4\nClauses per variable : 0.75\n--------\n"
              "clause # 0 :  1 3\nclause # 1 :  1 2-3\nclause # 2 :  1-2\n--------\n"
              "\nSuch values can be assigned : ");
    EXPECT_EQ(stepCounter, 42);
    EXPECT_EQ(rngState, kRngInitialState);
}

// Thirty generated formulas, each printed and followed by the first clause
// of every variable; a variable that no clause holds has no line.
TEST_F(DiagnosticsTest, CoverageNamesTheFirstClauseOfEveryVariable) {
    std::ostringstream out;
    ASSERT_EQ(checkVariableCoverage(20, 45, 30, out), 1);
    // Pinned when a copy of its logic in this test agreed with it.
    EXPECT_EQ(test_support::fingerprint(out.str()), "43584 bytes, hash 4326332299510505056");
    const std::int32_t after = rngState;
    rngState = kRngInitialState;
    for (int r = 0; r < 30; ++r) {
        generateFormula(20, 45);
    }
    EXPECT_EQ(after, rngState);

    std::ostringstream partial;  // a variable that no clause holds has no line
    printVariableCoverage(test_support::formulaOf(3, "(~2)"), partial);
    EXPECT_EQ(partial.str(), "Checking for existing of all variables:\nVar 2 in cl # 0\n\n");
    std::ostringstream refused;
    EXPECT_EQ(checkVariableCoverage(2, 5, 3, refused), 0);
    EXPECT_EQ(refused.str(), "");
    EXPECT_EQ(rngState, after);
}

TEST_F(DiagnosticsTest, TupleCountIsZeroWhenTheTargetEqualsTheLeftoverTuple) {
    constexpr std::int32_t kStateBeforeFiveZeros = 290138150;  // next five draws below 40: 0
    std::fill(std::begin(trialTuple), std::end(trialTuple), 0);
    rngState = kStateBeforeFiveZeros;
    EXPECT_EQ(countTuplesUntilRepeat(), 0.0);
    EXPECT_EQ(rngState, stateAfter(kStateBeforeFiveZeros, 5));
    EXPECT_EQ(tuplesMatch(), 1);
    trialTuple[4] = 1;
    EXPECT_EQ(tuplesMatch(), 0);
}

// A thousand two-digit numbers and their repeats, for a threshold that some
// numbers pass and for one that every number passes.
TEST_F(DiagnosticsTest, DigitNumbersAndTheirRepeatsOverAThousandDraws) {
    for (const auto& [threshold, expected] : {std::pair{12, "3956 bytes, hash 723380509997366517"},
                                              {-1, "5906 bytes, hash 12819937228004303743"}}) {
        rngState = kRngInitialState;
        std::ostringstream out;
        testDigitNumbers(1000, 2, threshold, out);
        EXPECT_EQ(rngState, stateAfter(kRngInitialState, 2000));
        EXPECT_EQ(test_support::fingerprint(out.str()), expected) << threshold;
        EXPECT_NE(out.str().find("\nIf number was repeated more than " + std::to_string(threshold) +
                                 " it will be shown\n--------\n"),
                  std::string::npos);
    }
}

TEST_F(DiagnosticsTest, DigitAndCountLimits) {
    // Over 11 digits become 10; the table holds 1000 numbers; a negative digit
    // count draws nothing and prints zeros; a negative count prints no numbers.
    const struct {
        int count, digits, numbers, digitsUsed;
    } cases[] = {{5, 11, 5, 11}, {5, 12, 5, 10}, {1500, 1, 1000, 1}, {3, -4, 3, 0}, {-2, 3, 0, 3}};
    for (const auto& c : cases) {
        rngState = kRngInitialState;
        std::ostringstream out;
        testDigitNumbers(c.count, c.digits, 1000, out);
        const std::vector<std::string> text = lines(out.str());
        EXPECT_EQ(text[1], "Maximum number of digits in number :" + std::to_string(c.digitsUsed));
        EXPECT_EQ(text.size(), 2U + c.numbers + 4U);
        EXPECT_EQ(rngState, stateAfter(kRngInitialState, c.numbers * c.digitsUsed));
    }
}

// At most 5000 draws, sorted and ranked; a negative count lists nothing.
TEST_F(DiagnosticsTest, SortedRandomsAreCappedRankedAndAscending) {
    std::ostringstream out;
    listSortedRandoms(6000, out);
    listSortedRandoms(-7, out);
    EXPECT_EQ(rngState, stateAfter(kRngInitialState, 5000));
    EXPECT_EQ(test_support::fingerprint(out.str()), "86339 bytes, hash 12627797010401851575");
}

}  // namespace
