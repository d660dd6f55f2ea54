#include <set>
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

// What a generated formula promises: full clauses of ascending variables
// below numVars, every variable present, no two clauses equal, the clauses
// in sortClauses order, and an empty clause in the slot after the last.
::testing::AssertionResult keepsItsPromises(const Formula& f, std::int32_t numVars) {
    const auto key = [](const Clause& c) {
        return std::tuple(c.lits[0].variable, c.lits[1].variable, c.lits[2].variable);
    };
    std::set<std::int32_t> seen;
    for (std::int32_t c = 0; c <= f.lastClause; ++c) {
        const Clause& clause = f.clauses[c];
        const auto [a, b, z] = key(clause);
        if (clause.last != 2 || a < 0 || a >= b || b >= z || z >= numVars ||
            (c > 0 && key(clause) < key(f.clauses[c - 1])) ||
            std::any_of(f.clauses, f.clauses + c,
                        [&](const Clause& o) { return o.equals(clause); })) {
            return ::testing::AssertionFailure() << "clause " << c;
        }
        seen.insert({a, b, z});
    }
    if (std::ssize(seen) != numVars ||
        (f.lastClause < kMaxClauses - 1 && f.clauses[f.lastClause + 1].last != -1)) {
        return ::testing::AssertionFailure() << seen.size() << " variables, or a filler in use";
    }
    return ::testing::AssertionSuccess();
}

TEST_F(GeneratorTest, TracedFormulasTakeTheirDraws) {
    // Phase one draws a clause and a sign per variable; a completion draws a
    // sign and a variable per literal, and refused ones still spend both.
    EXPECT_EQ(describe(generateFormula(3, 1)), "(~0, ~1, ~2)");
    EXPECT_EQ(rngState, stateAfter(kRngInitialState, 6));
    rngState = kRngInitialState;
    EXPECT_EQ(describe(generateFormula(4, 2)), "(~0, ~1, ~2); (1, ~2, ~3)");
    EXPECT_EQ(rngState, stateAfter(kRngInitialState, 19));
    rngState = kRngInitialState;
    // The first formula of a run: one duplicate completion is drawn again.
    EXPECT_EQ(describe(generateFormula(10, 20)),
              "(~0, ~1, 2); (~0, ~1, 3); (~0, ~3, 5); (0, ~4, 8); (0, ~6, 7); (~1, ~2, 9); "
              "(1, ~5, 6); (~2, 3, 4); (~2, ~3, 7); (2, ~3, ~9); (2, ~3, 9); (~2, ~4, ~7); "
              "(2, 4, 9); (2, 6, ~9); (3, ~4, 5); (3, ~4, ~9); (~3, ~6, 7); (4, ~5, 8); "
              "(~4, ~5, ~9); (~6, 8, ~9)");
    EXPECT_EQ(rngState, 1675109393);
}

TEST_F(GeneratorTest, ShapesOutsideTheLimitsAreRefusedWithoutADraw) {
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
    // More clauses than the slots hold are served with as many as they hold.
    const Formula capped = generateFormula(40, 320);
    const std::int32_t stateAfterCapped = rngState;
    rngState = kRngInitialState;
    EXPECT_EQ(describe(capped), describe(generateFormula(40, kMaxClauses)));
    EXPECT_EQ(stateAfterCapped, rngState);
}

// The grid's shapes are always served. Near the number of distinct clauses a
// clause can find every completion taken: the generator refuses then,
// instead of drawing for ever.
TEST_F(GeneratorTest, EveryFormulaKeepsItsPromisesOrIsRefused) {
    const struct {
        std::int32_t numVars, numClauses, refusals;
    } shapes[] = {{10, 20, 0}, {20, 90, 0}, {30, 240, 0}, {40, 319, 0}, {3, 8, 15}, {4, 32, 2}};
    for (const auto& shape : shapes) {
        int refusals = 0;
        for (int call = 0; call < 50; ++call) {
            const Formula formula = generateFormula(shape.numVars, shape.numClauses);
            refusals += formula.lastClause == -1 ? 1 : 0;
            ASSERT_TRUE(formula.lastClause == -1 || keepsItsPromises(formula, shape.numVars))
                << shape.numVars << " variables, " << shape.numClauses << " clauses, call " << call;
        }
        EXPECT_EQ(refusals, shape.refusals) << shape.numVars << " variables";
    }
}

}  // namespace
