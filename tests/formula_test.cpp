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

TEST(ClauseTest, AddKeepsLiteralsAscendingAndRefusesAFourthOrARepeatedVariable) {
    Clause clause;
    EXPECT_EQ(clause.addLiteral(5, 0), 1);
    EXPECT_EQ(clause.addLiteral(2, 1), 1);
    EXPECT_EQ(clause.addLiteral(9, 0), 1);
    EXPECT_EQ(clause.last, 2);
    EXPECT_EQ(clause.lits[0].variable, 2);
    EXPECT_EQ(clause.lits[0].negated, 1);  // the sign travels with its variable
    EXPECT_EQ(clause.lits[1].variable, 5);
    EXPECT_EQ(clause.lits[2].variable, 9);
    EXPECT_EQ(clause.addLiteral(7, 0), 0);

    Clause holdsFour = makeClause({{4, false}});
    EXPECT_EQ(holdsFour.addLiteral(4, 1), 0);
    EXPECT_EQ(holdsFour.addLiteral(4, 0), 0);
    EXPECT_TRUE(holdsFour.equals(makeClause({{4, false}})));
}

TEST(ClauseTest, RemovalShiftsDownAndRestoresTheEmptyFiller) {
    Clause clause = makeClause({{2, false}, {5, true}, {9, false}});
    EXPECT_EQ(clause.removeLiteralAt(0), 1);
    EXPECT_EQ(clause.last, 1);
    EXPECT_EQ(clause.lits[0].variable, 5);
    EXPECT_EQ(clause.lits[1].variable, 9);
    EXPECT_TRUE(clause.lits[2].equals(Literal()));
    EXPECT_EQ(clause.removeLiteralAt(2), 0);
    EXPECT_EQ(clause.removeLiteralAt(-1), 0);

    EXPECT_EQ(clause.removeLiteral(Literal(5, 0)), 0);  // right variable, wrong sign
    EXPECT_EQ(clause.removeLiteral(Literal(5, 1)), 1);
    EXPECT_EQ(clause.removeLiteral(Literal(9, 0)), 1);
    EXPECT_EQ(clause.last, -1);
    for (const Literal& lit : clause.lits) {
        EXPECT_TRUE(lit.equals(Literal()));
    }
    EXPECT_EQ(printed(clause), "empty\n");
}

TEST(ClauseTest, FindVariableIgnoresTheSign) {
    const Clause clause = makeClause({{1, false}, {3, true}});
    EXPECT_EQ(clause.findVariable(Literal(3, 0)), 1);
    EXPECT_EQ(clause.findVariable(Literal(2, 0)), -1);
    EXPECT_EQ(Clause().findVariable(Literal(-1, -1)), -1);
}

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
}

TEST(FormulaTest, ConstructorCapsTheClauseCount) {
    EXPECT_EQ(Formula().lastClause, -1);
    EXPECT_EQ(Formula(0).lastClause, -1);
    EXPECT_EQ(Formula(5).lastClause, 4);
    EXPECT_EQ(Formula(319).lastClause, 318);
    EXPECT_EQ(Formula(320).lastClause, 318);
    EXPECT_EQ(Formula(5).clauses[0].last, -1);
}

TEST(FormulaTest, RemoveClauseShiftsDownAndEmptiesTheFreedSlot) {
    Formula formula = makeFormula(
        4, {makeClause({{0, false}}), makeClause({{1, false}}), makeClause({{2, true}})});
    EXPECT_EQ(formula.removeClause(3), 0);
    EXPECT_EQ(formula.removeClause(0), 1);
    EXPECT_EQ(describe(formula), "(1); (~2)");
    EXPECT_EQ(formula.clauses[2].last, -1);
    EXPECT_TRUE(formula.clauses[2].lits[0].equals(Literal()));

    Formula single = makeFormula(4, {makeClause({{0, false}, {1, false}})});
    EXPECT_EQ(single.removeClause(0), 1);
    EXPECT_EQ(single.lastClause, -1);
    EXPECT_EQ(single.clauses[0].last, -1);
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

TEST(VariableOrderTest, ConstructorListsAscendingAndCapsAtForty) {
    const VariableOrder ten(10);
    EXPECT_EQ(ten.last, 9);
    EXPECT_EQ(ten.slots[9], 9);
    EXPECT_EQ(ten.slots[10], -1);
    EXPECT_EQ(ten.slots[39], -1);
    EXPECT_EQ(VariableOrder(41).last, 39);
    EXPECT_EQ(VariableOrder(41).slots[39], 39);
    EXPECT_EQ(VariableOrder(0).last, -1);
}

TEST(VariableOrderTest, PopFrontAndMoveToFront) {
    VariableOrder order(10);
    EXPECT_EQ(order.moveToFront(5), 1);
    EXPECT_EQ(printed(order), "List of variables: 5 0 1 2 3 4 6 7 8 9 \n");
    EXPECT_EQ(order.moveToFront(5), 1);
    EXPECT_EQ(printed(order), "List of variables: 5 0 1 2 3 4 6 7 8 9 \n");
    EXPECT_EQ(order.moveToFront(12), 0);
    EXPECT_EQ(order.moveToFront(40), 0);
    EXPECT_EQ(order.moveToFront(-1), 0);

    EXPECT_EQ(order.popFront(), 5);
    EXPECT_EQ(order.last, 8);
    EXPECT_EQ(order.slots[9], -1);
    EXPECT_EQ(order.moveToFront(5), 0);  // popped: no longer listed

    VariableOrder one(1);
    EXPECT_EQ(one.popFront(), 0);
    EXPECT_EQ(printed(one), "List of variables: empty\n");
    EXPECT_EQ(one.moveToFront(0), 0);
    EXPECT_EQ(one.popFront(), -1);
    EXPECT_EQ(one.last, -1);
}

}  // namespace
