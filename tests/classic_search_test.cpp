#include "classic/solver/assignment.h"
#include "test_support.h"

using test_support::describe;
using test_support::formulaOf;

namespace {

TEST(AssignmentTest, TracedStepsOnCopiesAndACounterThatWrapsAtSixteenBits) {
    const struct {
        const char* formula = "";
        Literal literal;
        const char* result = "";
        const char* order = "";  // afterwards, from VariableOrder(6)
        int contradiction = 0;
    } cases[] = {
        {"(1); (~2)", Literal(0, 0), "(1); (~2)", "0 1 2 3 4 5", 0},
        // Satisfied clauses go, falsified literals are cut, a cut to one literal promotes.
        {"(0, 1, 2); (0, 3, 4); (~0, 1, 2); (~0, 5); (3, ~4)", Literal(0, 0),
         "(1, 2); (5); (3, ~4)", "5 0 1 2 3 4", 0},
        {"(0, 1); (~0, 3, 4)", Literal(0, 1), "(1)", "1 0 2 3 4 5", 0},
        // Promotions stand in reverse of the order they were made; (4) was a unit already.
        {"(~0, 2); (4); (~0, ~3); (1, 5)", Literal(0, 0), "(2); (4); (~3); (1, 5)", "3 2 0 1 4 5",
         0},
        {"(0, 1); (0)", Literal(0, 0), "", "0 1 2 3 4 5", 0},
        // An emptied clause ends the step: what follows it stays as it was.
        {"(~0, 3); (~0); (0, 1); (~0, 2)", Literal(0, 0), "(3); (); (0, 1); (~0, 2)", "3 0 1 2 4 5",
         1},
        {"(0, 1); (~0); (~0, 3)", Literal(0, 0), "(); (~0, 3)", "0 1 2 3 4 5", 1},
        // An empty clause right after a satisfied one counts as emptied.
        {"(0, 1); (); (~0, 3)", Literal(0, 0), "(); (~0, 3)", "0 1 2 3 4 5", 1},
    };
    for (const auto& c : cases) {
        stepCounter = 0;
        VariableOrder order(6);
        int contradiction = 0;
        const Formula result =
            assignLiteral(formulaOf(6, c.formula), c.literal, order, contradiction);
        EXPECT_EQ(describe(result), c.result) << c.formula;
        EXPECT_EQ(test_support::printed(order),
                  std::string("List of variables: ") + c.order + " \n")
            << c.formula;
        EXPECT_EQ(contradiction, c.contradiction) << c.formula;
        EXPECT_EQ(stepCounter, 1) << c.formula;
        EXPECT_EQ(result.clauses[result.lastClause + 1].last, -1) << c.formula;
    }
    stepCounter = 32767;
    VariableOrder order(1);
    int contradiction = 0;
    assignLiteral(Formula(), Literal(0, 0), order, contradiction);
    EXPECT_EQ(stepCounter, -32768);
}

TEST(SearchTest, TracedStepsAddToTheCounterAndOnlyListedVariablesAreBranchedOn) {
    const struct {
        std::int32_t numVars;
        const char* formula;
        int satisfiable, steps;
    } cases[] = {
        {1, "", 1, 1},
        {1, "(0); (~0)", 0, 2},
        {1, "(~0)", 1, 2},
        // x0 promotes x2 ahead of x1; x2 true fails, x2 false leaves (x1), x1 true ends it.
        {3, "(~0, ~2); (1, 2)", 1, 4},
        {kMaxVariables, "", 1, 1},
        // More variables than the order holds, or fewer than none: refused, with no step.
        {kMaxVariables + 1, "(0)", -1, 0},
        {-1, "", -1, 0},
    };
    for (const auto& c : cases) {
        stepCounter = 1234;
        EXPECT_EQ(solve(formulaOf(c.numVars, c.formula)), c.satisfiable) << c.formula;
        EXPECT_EQ(stepCounter, c.steps) << c.formula;
    }
    stepCounter = 5;
    const Formula formula = formulaOf(2, "(1)");
    EXPECT_EQ(search(formula, Literal(), VariableOrder(2)), 1);
    EXPECT_EQ(stepCounter, 7);  // x0 true, then x1 true
    EXPECT_EQ(search(formula, Literal(), VariableOrder(1)), 0);
    EXPECT_EQ(search(formula, Literal(1, 0), VariableOrder(0)), 1);
}

}  // namespace
