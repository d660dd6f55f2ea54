#include <gtest/gtest.h>

#include <cstdint>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "diagnostics/random_tests.h"
#include "diagnostics/sample_formula.h"
#include "diagnostics/variable_coverage.h"
#include "random/random_source.h"
#include "solver/search.h"
#include "test_support.h"

using test_support::describe;
using test_support::makeClause;
using test_support::makeFormula;
using test_support::stateAfter;

namespace {

std::vector<std::string> lines(const std::string& text) {
    std::vector<std::string> result;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) {
        result.push_back(line);
    }
    return result;
}

class DiagnosticsTest : public ::testing::Test {
  protected:
    void SetUp() override { rngState = kRngInitialState; }
    void TearDown() override { rngState = kRngInitialState; }
};

TEST_F(DiagnosticsTest, SampleFormulaIsPrintedAndSatisfiedInOneStep) {
    EXPECT_EQ(describe(makeSampleFormula()), "(1, 3); (1, 2, ~3); (1, ~2)");
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

TEST_F(DiagnosticsTest, CoverageNamesTheFirstClauseHoldingEachVariable) {
    // Variable 1 occurs only negated, 3 only in the last clause, 4 nowhere.
    const Formula formula =
        makeFormula(5, {makeClause({{0, false}, {2, true}}), makeClause({{1, true}, {2, false}}),
                        makeClause({{0, true}, {1, true}}), makeClause({{3, false}})});
    std::ostringstream out;
    printVariableCoverage(formula, out);
    EXPECT_EQ(out.str(),
              "Checking for existing of all variables:\n"
              "Var 0 in cl # 0\nVar 1 in cl # 1\nVar 2 in cl # 0\nVar 3 in cl # 3\n\n");
}

TEST_F(DiagnosticsTest, CoverageOfTheFirstGeneratedFormula) {
    std::ostringstream out;
    checkVariableCoverage(10, 20, 1, out);
    const std::vector<std::string> text = lines(out.str());
    ASSERT_EQ(text.size(), 3U + 1U + 20U + 1U + 1U + 10U + 1U);
    EXPECT_EQ(text[2], "Clauses per variable : 2");
    EXPECT_EQ(text[4], "clause # 0 : -0-1 2");
    const std::vector<std::string> coverage(text.begin() + 26, text.end() - 1);
    EXPECT_EQ(coverage,
              (std::vector<std::string>{"Var 0 in cl # 0", "Var 1 in cl # 0", "Var 2 in cl # 0",
                                        "Var 3 in cl # 1", "Var 4 in cl # 3", "Var 5 in cl # 2",
                                        "Var 6 in cl # 4", "Var 7 in cl # 4", "Var 8 in cl # 3",
                                        "Var 9 in cl # 5"}));
    EXPECT_EQ(rngState, 1675109393);  // exactly one formula's draws

    std::ostringstream none;
    checkVariableCoverage(10, 20, 0, none);
    EXPECT_EQ(none.str(), "");
    EXPECT_EQ(rngState, 1675109393);
}

// From this state the next five draws below 40 are all 0.
constexpr std::int32_t kStateBeforeFiveZeros = 290138150;

TEST_F(DiagnosticsTest, TupleCountIsZeroWhenTheTargetEqualsTheLeftoverTuple) {
    for (std::int32_t& value : trialTuple) {
        value = 0;
    }
    rngState = kStateBeforeFiveZeros;
    EXPECT_EQ(countTuplesUntilRepeat(), 0.0);
    EXPECT_EQ(rngState, stateAfter(kStateBeforeFiveZeros, 5));
    EXPECT_EQ(tuplesMatch(), 1);

    // A leftover tuple of other values keeps a target of zeros from matching at once.
    trialTuple[4] = 1;
    EXPECT_EQ(tuplesMatch(), 0);
}

// Each drawn number as its digit text, from `state`.
std::vector<std::string> digitTexts(std::int32_t state, int count, int digits) {
    const std::int32_t saved = rngState;
    rngState = state;
    std::vector<std::string> texts;
    for (int i = 0; i < count; ++i) {
        std::string text;
        for (int d = 0; d < digits; ++d) {
            text += static_cast<char>('0' + randomBelow(9));
        }
        texts.push_back(text);
    }
    rngState = saved;
    return texts;
}

std::string asDefaultFloat(double value) {
    std::ostringstream text;
    text << value;
    return text.str();
}

TEST_F(DiagnosticsTest, DigitNumbersAreExactAndTheDigitCapKeepsElevenButCutsTwelveToTen) {
    for (const auto& [asked, used] : std::vector<std::pair<int, int>>{{11, 11}, {12, 10}}) {
        rngState = kRngInitialState;
        const std::vector<std::string> texts = digitTexts(kRngInitialState, 4, used);
        std::ostringstream out;
        testDigitNumbers(4, asked, 99, out);
        const std::vector<std::string> text = lines(out.str());
        ASSERT_GE(text.size(), 6U);
        EXPECT_EQ(text[0], "4 numbers were generated");
        EXPECT_EQ(text[1], "Maximum number of digits in number :" + std::to_string(used));
        for (int i = 0; i < 4; ++i) {
            EXPECT_EQ(text[2 + i], asDefaultFloat(std::stod(texts[i])));
        }
        EXPECT_EQ(rngState, stateAfter(kRngInitialState, 4 * used));
    }
}

TEST_F(DiagnosticsTest, RepeatsAreReportedOnlyBeyondTheThreshold) {
    // With no digits every number is 0: five zeros are four repetitions.
    std::ostringstream reported;
    testDigitNumbers(5, 0, 2, reported);
    EXPECT_EQ(reported.str(),
              "5 numbers were generated\nMaximum number of digits in number :0\n"
              "0\n0\n0\n0\n0\n\nIf number was repeated more than 2 it will be shown\n"
              "--------\n Number : 0 was repeated 4 times.\n--------\n");
    EXPECT_EQ(rngState, kRngInitialState);

    std::ostringstream atThreshold;
    testDigitNumbers(5, 0, 4, atThreshold);
    EXPECT_EQ(lines(atThreshold.str()).back(), "--------");
    EXPECT_EQ(lines(atThreshold.str()).end()[-2], "--------");

    std::ostringstream justAbove;
    testDigitNumbers(5, 0, 3, justAbove);
    EXPECT_EQ(lines(justAbove.str()).end()[-2], " Number : 0 was repeated 4 times.");
}

TEST_F(DiagnosticsTest, NegativeThresholdReportsEveryDistinctValueInAscendingOrder) {
    const std::vector<std::string> texts = digitTexts(kRngInitialState, 30, 1);
    std::map<int, int> occurrences;
    for (const std::string& text : texts) {
        ++occurrences[std::stoi(text)];
    }
    std::vector<std::string> expected;
    expected.reserve(occurrences.size());
    for (const auto& [value, times] : occurrences) {
        expected.push_back(" Number : " + std::to_string(value) + " was repeated " +
                           std::to_string(times - 1) + " times.");
    }
    std::ostringstream out;
    testDigitNumbers(30, 1, -1, out);
    const std::vector<std::string> text = lines(out.str());
    const std::vector<std::string> report(text.end() - 1 - static_cast<long>(expected.size()),
                                          text.end() - 1);
    EXPECT_EQ(report, expected);
}

TEST_F(DiagnosticsTest, DigitTableBoundsAreNeverExceeded) {
    std::ostringstream many;
    testDigitNumbers(1500, 2, 1000, many);
    const std::vector<std::string> text = lines(many.str());
    EXPECT_EQ(text[0], "1000 numbers were generated");
    EXPECT_EQ(text.size(), 2U + 1000U + 4U);
    EXPECT_EQ(rngState, stateAfter(kRngInitialState, 2000));

    rngState = kRngInitialState;
    std::ostringstream negative;
    testDigitNumbers(3, -4, 1, negative);
    EXPECT_EQ(lines(negative.str())[1], "Maximum number of digits in number :0");
    EXPECT_EQ(lines(negative.str())[2], "0");
    EXPECT_EQ(rngState, kRngInitialState);

    std::ostringstream nothing;
    testDigitNumbers(-2, 3, 0, nothing);
    EXPECT_EQ(nothing.str(),
              "-2 numbers were generated\nMaximum number of digits in number :3\n"
              "\nIf number was repeated more than 0 it will be shown\n--------\n--------\n");
}

TEST_F(DiagnosticsTest, SortedRandomsAreCappedRankedAndAscending) {
    std::ostringstream out;
    listSortedRandoms(6000, out);
    const std::vector<std::string> text = lines(out.str());
    ASSERT_EQ(text.size(), 5000U);
    EXPECT_EQ(rngState, stateAfter(kRngInitialState, 5000));
    long long previous = -1;
    for (std::size_t rank = 0; rank < text.size(); ++rank) {
        const std::size_t separator = text[rank].find(" : ");
        ASSERT_NE(separator, std::string::npos);
        const long long value = std::stoll(text[rank].substr(0, separator));
        EXPECT_EQ(text[rank].substr(separator + 3), std::to_string(rank));
        EXPECT_LE(previous, value);
        previous = value;
    }
    // The very first draw is the first state of the stream.
    EXPECT_NE(out.str().find("1084723780 : "), std::string::npos);

    rngState = kRngInitialState;
    std::ostringstream none;
    listSortedRandoms(0, none);
    listSortedRandoms(-7, none);
    EXPECT_EQ(none.str(), "");
    EXPECT_EQ(rngState, kRngInitialState);
}

}  // namespace
