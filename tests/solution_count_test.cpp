// The solution counter against every assignment enumerated, at its edges,
// and on one formula of 64 variables whose count and cost are pinned.
#include "solver/solution_count.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstdint>
#include <string>

#include "random/random_stream.h"
#include "random/uniform_generator.h"
#include "test_support.h"

namespace satphase {

namespace {

using test_support::cnfOf;

std::string counted(SolutionCounter& counter, const Formula& formula) {
    const SolutionCounter::Outcome outcome = counter.count(formula);
    EXPECT_FALSE(outcome.interrupted);
    return countText(outcome.solutions);
}

TEST(SolutionCount, EqualsEnumerationOnRandomFormulas) {
    // Widths 2, 3, 4 and mixed 2/3 (width 0, p = 0.5), each from many free
    // variables to well past its threshold (about 1, 4.27, 9.93 and 2.4
    // clauses a variable), one counter for all: 6 formulas of 14 variables
    // per ratio.
    const struct {
        std::int32_t k;
        double ratios[4];
    } table[] = {
        {2, {0.3, 1, 1.5, 3}}, {3, {0, 2, 4.3, 7}}, {4, {1, 6, 10, 16}}, {0, {1, 2.4, 3, 5}}};
    constexpr std::int32_t kVars = 14;
    SolutionCounter counter(kVars, 16 * kVars);
    RandomStream stream(20261208);
    Formula formula;
    int unsatisfiable = 0;
    for (const auto& row : table) {
        for (const double ratio : row.ratios) {
            const auto clauses = static_cast<std::int32_t>(ratio * kVars);
            for (int draw = 0; draw < 6; ++draw) {
                if (row.k == 0) {
                    drawMixedFormula(500000, kVars, clauses, stream, formula);
                } else {
                    drawUniformFormula(row.k, kVars, clauses, stream, formula);
                }
                const std::uint64_t models = test_support::enumerated(formula).solutions;
                unsatisfiable += models == 0 ? 1 : 0;
                EXPECT_EQ(counted(counter, formula), std::to_string(models))
                    << "k = " << row.k << ", ratio " << ratio << ", draw " << draw;
            }
        }
    }
    EXPECT_GE(unsatisfiable, 20);  // the rows end past the threshold
}

TEST(SolutionCount, EdgeValues) {
    SolutionCounter counter(kMaxCountedVars, 4);
    EXPECT_EQ(counted(counter, cnfOf(0, "")), "1");
    EXPECT_EQ(counted(counter, cnfOf(64, "")), "18446744073709551616");
    EXPECT_EQ(countLog2(counter.count(cnfOf(64, "")).solutions), 64.0);
    EXPECT_EQ(counted(counter, cnfOf(64, "(63)")), "9223372036854775808");
    EXPECT_EQ(counted(counter, cnfOf(3, "(0, 1); ()")), "0");
    EXPECT_EQ(counted(counter, cnfOf(3, "(0); (~0)")), "0");
    // A unit halves (0, 1) over 3 variables; a chain of units leaves one variable free.
    EXPECT_EQ(counted(counter, cnfOf(3, "(0, 1)")), "6");
    EXPECT_EQ(counted(counter, cnfOf(3, "(0, 1); (~1)")), "2");
    EXPECT_EQ(counted(counter, cnfOf(4, "(0); (~0, 1); (~1, ~2)")), "2");
    EXPECT_EQ(countText(SolutionCount{1} << 127), "170141183460469231731687303715884105728");
}

// A uniform 3-SAT formula of 64 variables and 192 clauses: its count, and the
// search's nodes, which any change of the branching rule or the splitting moves.
TEST(SolutionCount, PinnedCountOfSixtyFourVariables) {
    RandomStream stream(64540);
    Formula formula;
    drawUniformFormula(3, 64, 192, stream, formula);
    SolutionCounter counter(64, 192);
    const SolutionCounter::Outcome outcome = counter.count(formula);
    EXPECT_EQ(countText(outcome.solutions), "34987731");
    EXPECT_EQ(outcome.nodes, 32082U);
    EXPECT_FALSE(outcome.interrupted);

    const std::atomic<bool> stop{true};
    const SolutionCounter::Outcome stopped = counter.count(formula, &stop);
    EXPECT_TRUE(stopped.interrupted);
    EXPECT_EQ(stopped.solutions, 0U);
    EXPECT_EQ(stopped.nodes, 1024U);
}

}  // namespace

}  // namespace satphase
