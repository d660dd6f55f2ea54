#include <gtest/gtest.h>

#include <cstdint>
#include <tuple>
#include <vector>

#include "formula/formula.h"
#include "random/formula_generator.h"
#include "random/random_source.h"
#include "test_support.h"

using test_support::describe;
using test_support::stateAfter;

namespace {

class RandomSourceTest : public ::testing::Test {
  protected:
    void SetUp() override { rngState = kRngInitialState; }
    void TearDown() override { rngState = kRngInitialState; }
};

TEST_F(RandomSourceTest, FirstStatesAndRangesFromTheInitialState) {
    const std::int32_t states[] = {1084723780, 963891077, 1648181818, 600252473, 1712623752};
    for (const std::int32_t state : states) {
        EXPECT_EQ(randomBelow(100), state % 100);
        EXPECT_EQ(rngState, state);
    }
    rngState = kRngInitialState;
    std::vector<std::int32_t> coins(10);
    for (std::int32_t& coin : coins) {
        coin = randomBelow(2);
    }
    EXPECT_EQ(coins, (std::vector<std::int32_t>{0, 1, 0, 1, 0, 1, 0, 1, 1, 1}));
}

TEST_F(RandomSourceTest, MatchesThePublishedMinimalStandardCheckValue) {
    rngState = 1;
    for (int i = 0; i < 10000; ++i) {
        randomBelow(kRngModulus);
    }
    EXPECT_EQ(rngState, 1043618065);
}

TEST_F(RandomSourceTest, NegativeIntermediateWrapsIntoRangeAndBelowOneStillSteps) {
    rngState = kRngQuotient;  // hi = 1, lo = 0, so the intermediate is -2836
    EXPECT_EQ(randomBelow(1), 0);
    EXPECT_EQ(rngState, 2147480811);
}

class GeneratorTest : public RandomSourceTest {};

TEST_F(GeneratorTest, SmallestFormulaTakesOneClauseDrawAndFlagPerVariable) {
    const Formula formula = generateFormula(3, 1);
    EXPECT_EQ(describe(formula), "(~0, ~1, ~2)");
    EXPECT_EQ(formula.numVars, 3);
    EXPECT_EQ(rngState, 1344079123);
    EXPECT_EQ(rngState, stateAfter(kRngInitialState, 6));
}

TEST_F(GeneratorTest, FullClauseDrawsAndRefusedLiteralsStillConsumeTheStream) {
    const Formula formula = generateFormula(4, 2);
    EXPECT_EQ(describe(formula), "(~0, ~1, ~2); (1, ~2, ~3)");
    EXPECT_EQ(rngState, 1387488585);
    EXPECT_EQ(rngState, stateAfter(kRngInitialState, 19));
}

TEST_F(GeneratorTest, FirstFormulaOfARunRejectsADuplicateAndSorts) {
    const Formula formula = generateFormula(10, 20);
    EXPECT_EQ(describe(formula),
              "(~0, ~1, 2); (~0, ~1, 3); (~0, ~3, 5); (0, ~4, 8); (0, ~6, 7); (~1, ~2, 9); "
              "(1, ~5, 6); (~2, 3, 4); (~2, ~3, 7); (2, ~3, ~9); (2, ~3, 9); (~2, ~4, ~7); "
              "(2, 4, 9); (2, 6, ~9); (3, ~4, 5); (3, ~4, ~9); (~3, ~6, 7); (4, ~5, 8); "
              "(~4, ~5, ~9); (~6, 8, ~9)");
    EXPECT_EQ(rngState, 1675109393);
    EXPECT_EQ(rngState, stateAfter(kRngInitialState, 138));
}

TEST_F(GeneratorTest, RequestAboveCapacityIsServedWithTheCapacity) {
    const Formula capped = generateFormula(40, 320);
    const std::int32_t stateAfterCapped = rngState;
    rngState = kRngInitialState;
    const Formula exact = generateFormula(40, 319);
    EXPECT_EQ(capped.lastClause, 318);
    EXPECT_EQ(describe(capped), describe(exact));
    EXPECT_EQ(stateAfterCapped, rngState);
}

// Every formula of every cell shape is full, covers its variables, holds no
// duplicate clause and is sorted.
TEST_F(GeneratorTest, GeneratedFormulasKeepTheirPromises) {
    const double ratios[] = {2.0, 4.5, 8.0};
    for (const std::int32_t numVars : {10, 20, 30, 40}) {
        for (const double ratio : ratios) {
            const Formula f = generateFormula(numVars, static_cast<std::int32_t>(ratio * numVars));
            std::vector<bool> seen(static_cast<size_t>(numVars), false);
            for (std::int32_t c = 0; c <= f.lastClause; ++c) {
                const Clause& clause = f.clauses[c];
                ASSERT_EQ(clause.last, 2);
                for (std::int32_t k = 0; k <= 2; ++k) {
                    ASSERT_GE(clause.lits[k].variable, 0);
                    ASSERT_LT(clause.lits[k].variable, numVars);
                    if (k > 0) {
                        ASSERT_LT(clause.lits[k - 1].variable, clause.lits[k].variable);
                    }
                    seen[static_cast<size_t>(clause.lits[k].variable)] = true;
                }
                for (std::int32_t other = 0; other < c; ++other) {
                    ASSERT_FALSE(f.clauses[other].equals(clause));
                }
                if (c > 0) {
                    const Clause& before = f.clauses[c - 1];
                    const bool ordered =
                        std::make_tuple(before.lits[0].variable, before.lits[1].variable,
                                        before.lits[2].variable) <=
                        std::make_tuple(clause.lits[0].variable, clause.lits[1].variable,
                                        clause.lits[2].variable);
                    ASSERT_TRUE(ordered);
                }
            }
            for (std::int32_t v = 0; v < numVars; ++v) {
                EXPECT_TRUE(seen[static_cast<size_t>(v)]) << "variable " << v;
            }
            EXPECT_EQ(f.clauses[kMaxClauses - 1].last, f.lastClause == kMaxClauses - 1 ? 2 : -1);
        }
    }
}

}  // namespace
