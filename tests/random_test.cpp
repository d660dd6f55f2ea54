#include <string>
#include <tuple>

#include "test_support.h"

using test_support::describe;
using test_support::stateAfter;

namespace {

using RandomSourceTest = test_support::FromInitialState;
using GeneratorTest = test_support::FromInitialState;

TEST_F(RandomSourceTest, FirstStatesTheMinimalStandardCheckValueAndTheNegativeIntermediate) {
    for (const std::int32_t state : {1084723780, 963891077, 1648181818, 600252473, 1712623752}) {
        EXPECT_EQ(randomBelow(100), state % 100);
        EXPECT_EQ(rngState, state);
    }
    rngState = 1;
    for (int i = 0; i < 10000; ++i) {
        randomBelow(kRngModulus);
    }
    EXPECT_EQ(rngState, 1043618065);
    rngState = kRngQuotient;  // hi = 1, lo = 0: the intermediate is -2836
    EXPECT_EQ(randomBelow(1), 0);
    EXPECT_EQ(rngState, 2147480811);
}

TEST_F(GeneratorTest, TracedFormulasTakeTheirDrawsAndShapesOutsideTheLimitsNone) {
    // Phase one draws a clause and a sign per variable; a completion draws a
    // sign and a variable per literal, and refused ones still spend both.
    EXPECT_EQ(describe(generateFormula(3, 1)), "(~0, ~1, ~2)");
    EXPECT_EQ(rngState, stateAfter(kRngInitialState, 6));
    rngState = kRngInitialState;
    EXPECT_EQ(describe(generateFormula(4, 2)), "(~0, ~1, ~2); (1, ~2, ~3)");
    EXPECT_EQ(rngState, stateAfter(kRngInitialState, 19));
    rngState = kRngInitialState;
    // Too few variables, no or negative counts, more variables than clause
    // slots, more clauses than the 8 distinct ones over 3 variables.
    const std::int32_t refused[][2] = {{2, 10}, {0, 5},  {-3, 4},    {5, 0},
                                       {4, -1}, {10, 3}, {958, 400}, {3, 9}};
    for (const auto& [numVars, numClauses] : refused) {
        EXPECT_EQ(canGenerate(numVars, numClauses), 0) << numVars << ", " << numClauses;
        const Formula formula = generateFormula(numVars, numClauses);
        EXPECT_EQ(formula.lastClause, -1);
        EXPECT_EQ(formula.numVars, 0);
        EXPECT_EQ(rngState, kRngInitialState);
    }
    for (const auto& [numVars, numClauses] : {std::pair{3, 1}, {9, 3}, {3, 8}, {957, 400}}) {
        EXPECT_EQ(canGenerate(numVars, numClauses), 1) << numVars << ", " << numClauses;
    }
}

// Near the number of distinct clauses a clause can find every completion
// taken: the generator refuses then, instead of drawing for ever. (The
// grid's shapes, always served, are pinned by the whole report.)
TEST_F(GeneratorTest, ShapesNearEveryDistinctClauseAreServedOrRefused) {
    for (const auto& [numVars, numClauses, refusals, drawn] :
         {std::tuple{3, 8, 17, "3284 bytes, hash 18076947651335078676"},
          {4, 32, 6, "17562 bytes, hash 3238334474158488877"}}) {
        int refused = 0;
        std::string formulas;
        for (int call = 0; call < 50; ++call) {
            const Formula formula = generateFormula(numVars, numClauses);
            refused += formula.lastClause == -1 ? 1 : 0;
            formulas += describe(formula) + "\n";
        }
        EXPECT_EQ(refused, refusals) << numVars << " variables";
        // Pinned when a check of every promise (distinct full sorted clauses,
        // every variable present) held for each formula.
        EXPECT_EQ(test_support::fingerprint(formulas), drawn) << numVars << " variables";
    }
}

}  // namespace
