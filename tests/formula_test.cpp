#include "formula/formula.h"

#include <gtest/gtest.h>

#include <sstream>

#include "formula/clause.h"
#include "formula/literal.h"
#include "formula/variable_order.h"
#include "test_support.h"

using test_support::describe;
using test_support::makeClause;
using test_support::makeFormula;
using test_support::printed;

namespace {

TEST(ClauseTest, EqualityComparesLengthVariablesAndSigns) {
    const Clause a = makeClause({{1, false}, {2, false}, {3, false}});
    EXPECT_TRUE(a.equals(makeClause({{3, false}, {1, false}, {2, false}})));
    EXPECT_FALSE(a.equals(makeClause({{1, false}, {2, false}, {3, true}})));
    EXPECT_FALSE(a.equals(makeClause({{1, false}, {2, false}})));
    EXPECT_TRUE(Clause().equals(Clause()));
}

TEST(ClauseTest, PrintersDifferOnlyOnTheEmptyLiteral) {
    EXPECT_EQ(printed(makeClause({{1, false}, {2, false}, {3, true}})), " 1 2-3\n");
    EXPECT_EQ(printed(Literal()), "NN");
    std::ostringstream streamed;
    streamed << Literal() << makeClause({{7, true}, {8, false}}) << Clause();
    EXPECT_EQ(streamed.str(), "-N-7 8\n\n");
    EXPECT_EQ(printed(Clause()), "empty\n");
}

TEST(FormulaTest, SortOrdersByVariablesOnlyAndIsStable) {
    Formula formula = makeFormula(
        10, {makeClause({{2, false}, {5, true}, {9, false}}), makeClause({{1, true}, {7, false}}),
             makeClause({{2, true}, {5, false}}), makeClause({{1, false}, {7, true}}), Clause()});
    formula.sortClauses();
    EXPECT_EQ(describe(formula), "(); (~1, 7); (1, ~7); (~2, 5); (2, ~5, 9)");
}

TEST(FormulaTest, PrintShowsCountsRatioAndClauses) {
    const Formula formula =
        makeFormula(4, {makeClause({{1, false}, {3, false}}), makeClause({{1, false}, {2, true}})});
    EXPECT_EQ(printed(formula),
              "Clauses : 2\nVariables : 4\nClauses per variable : 0.5\n--------\n"
              "clause # 0 :  1 3\nclause # 1 :  1-2\n--------\n");

    Formula ninety(90);
    ninety.numVars = 20;
    EXPECT_NE(printed(ninety).find("Clauses per variable : 4.5\n"), std::string::npos);
}

TEST(FormulaTest, PrintWithoutVariablesDoesNotDivide) {
    EXPECT_EQ(printed(Formula()),
              "Clauses : 0\nVariables : 0\nClauses per variable : n/a\n--------\n--------\n");
}

TEST(VariableOrderTest, PrintEndsEveryVariableWithASpace) {
    VariableOrder order(4);
    order.moveToFront(2);
    EXPECT_EQ(printed(order), "List of variables: 2 0 1 3 \n");
    EXPECT_EQ(printed(VariableOrder(0)), "List of variables: empty\n");
}

}  // namespace
