#include <gtest/gtest.h>

#include <cstdint>

#include "formula/formula.h"
#include "formula/variable_order.h"
#include "random/formula_generator.h"
#include "random/random_source.h"
#include "solver/assignment.h"
#include "solver/search.h"
#include "test_support.h"

using test_support::describe;
using test_support::makeClause;
using test_support::makeFormula;
using test_support::printed;

namespace {

class AssignmentTest : public ::testing::Test {
  protected:
    void SetUp() override { stepCounter = 0; }

    VariableOrder order{6};
    int contradiction = 0;
};

TEST_F(AssignmentTest, AbsentVariableChangesNothingButCountsAStep) {
    const Formula formula = makeFormula(6, {makeClause({{1, false}}), makeClause({{2, true}})});
    const Formula result = assignLiteral(formula, Literal(0, 0), order, contradiction);
    EXPECT_EQ(describe(result), describe(formula));
    EXPECT_EQ(printed(order), printed(VariableOrder(6)));
    EXPECT_EQ(contradiction, 0);
    EXPECT_EQ(stepCounter, 1);
}

TEST_F(AssignmentTest, SatisfiedClausesGoAndFalsifiedLiteralsAreDeleted) {
    const Formula formula =
        makeFormula(6, {makeClause({{0, false}, {1, false}, {2, false}}),
                        makeClause({{0, false}, {3, false}, {4, false}}),  // removed right after
                        makeClause({{0, true}, {1, false}, {2, false}}),
                        makeClause({{0, true}, {5, false}}), makeClause({{3, false}, {4, true}})});
    const Formula madeTrue = assignLiteral(formula, Literal(0, 0), order, contradiction);
    EXPECT_EQ(describe(madeTrue), "(1, 2); (5); (3, ~4)");
    EXPECT_EQ(madeTrue.clauses[3].last, -1);  // the freed slots are empty again
    EXPECT_EQ(order.slots[0], 5);             // only the unit clause promotes

    VariableOrder other(6);
    const Formula madeFalse = assignLiteral(formula, Literal(0, 1), other, contradiction);
    EXPECT_EQ(describe(madeFalse), "(1, 2); (3, 4); (3, ~4)");
    EXPECT_EQ(printed(other), printed(VariableOrder(6)));
    EXPECT_EQ(contradiction, 0);
    EXPECT_EQ(stepCounter, 2);
}

TEST_F(AssignmentTest, PromotionsStandInReverseOfTheOrderTheyWereFound) {
    const Formula formula =
        makeFormula(6, {makeClause({{0, true}, {2, false}}), makeClause({{4, false}}),
                        makeClause({{0, true}, {3, true}}), makeClause({{1, false}, {5, false}})});
    const Formula result = assignLiteral(formula, Literal(0, 0), order, contradiction);
    EXPECT_EQ(describe(result), "(2); (4); (~3); (1, 5)");
    // The clause (4) already was a unit clause: it is never promoted by this step.
    EXPECT_EQ(printed(order), "List of variables: 3 2 0 1 4 5 \n");
}

TEST_F(AssignmentTest, EmptiedClauseStopsTheStepAtOnce) {
    VariableOrder promoted(6);
    const Formula formula =
        makeFormula(6, {makeClause({{0, true}, {3, false}}), makeClause({{0, true}}),
                        makeClause({{0, false}, {1, false}}), makeClause({{0, true}, {2, false}})});
    const Formula result = assignLiteral(formula, Literal(0, 0), promoted, contradiction);
    EXPECT_EQ(contradiction, 1);
    EXPECT_EQ(promoted.slots[0], 3);  // made before the empty clause stays
    EXPECT_EQ(describe(result), "(3); (); (0, 1); (~0, 2)");
}

TEST_F(AssignmentTest, LastClauseSatisfiedEmptiesTheFormula) {
    const Formula formula =
        makeFormula(6, {makeClause({{0, false}, {1, false}}), makeClause({{0, false}, {2, true}})});
    const Formula result = assignLiteral(formula, Literal(0, 0), order, contradiction);
    EXPECT_EQ(result.lastClause, -1);
    EXPECT_EQ(contradiction, 0);
}

TEST_F(AssignmentTest, StepCounterWrapsAtSixteenBits) {
    stepCounter = 32767;
    assignLiteral(Formula(), Literal(0, 0), order, contradiction);
    EXPECT_EQ(stepCounter, -32768);
}

TEST(SearchTest, SmallFormulasTakeTheTracedNumberOfSteps) {
    struct Case {
        const char* name = "";
        Formula formula;
        int satisfiable = 0;
        int steps = 0;
    };
    const Case cases[] = {
        {"no clauses", makeFormula(1, {}), 1, 1},
        {"x0 and not x0", makeFormula(1, {makeClause({{0, false}}), makeClause({{0, true}})}), 0,
         2},
        {"not x0", makeFormula(1, {makeClause({{0, true}})}), 1, 2},
        // x0 promotes x2 ahead of x1; x2 true fails, x2 false leaves (x1), x1 true ends it.
        {"promotion",
         makeFormula(3, {makeClause({{0, true}, {2, true}}), makeClause({{1, false}, {2, false}})}),
         1, 4},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(solve(c.formula), c.satisfiable) << c.name;
        EXPECT_EQ(stepCounter, c.steps) << c.name;
    }
}

TEST(SearchTest, FirstFormulaOfARunIsSolvedInTenSteps) {
    rngState = kRngInitialState;
    const Formula formula = generateFormula(10, 20);
    rngState = kRngInitialState;
    stepCounter = 1234;
    EXPECT_EQ(solve(formula), 1);
    EXPECT_EQ(stepCounter, 10);
}

TEST(SearchTest, DirectSearchAddsToTheCounterAndUnlistedVariablesAreHandled) {
    stepCounter = 5;
    const Formula formula = makeFormula(2, {makeClause({{1, false}})});
    EXPECT_EQ(search(formula, Literal(), VariableOrder(2)), 1);
    EXPECT_EQ(stepCounter, 7);  // x0 true, then x1 true

    // Variable 1 is not listed: the search runs out of variables and says no.
    VariableOrder onlyZero(1);
    EXPECT_EQ(search(formula, Literal(), onlyZero), 0);
}

}  // namespace
