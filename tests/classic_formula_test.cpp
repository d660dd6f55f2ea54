#include "test_support.h"

using test_support::describe;
using test_support::formulaOf;
using test_support::printed;

namespace {

// The layouts no whole output pins: a formula's is in the diagnostics' tests.
TEST(PrintTest, EmptyValuesPrintTheirOwnLayout) {
    EXPECT_EQ(printed(Formula()),
              "Clauses : 0\nVariables : 0\nClauses per variable : n/a\n--------\n--------\n");
    EXPECT_EQ(printed(Clause()), "empty\n");
    EXPECT_EQ(printed(Literal()), "NN");
    std::ostringstream streamed;  // differs from print() on the empty literal
    streamed << Literal() << formulaOf(3, "(1, ~2)").clauses[0] << Clause();
    EXPECT_EQ(streamed.str(), "-N 1-2\n\n");
    EXPECT_EQ(printed(VariableOrder(0)), "List of variables: empty\n");
}

// Every operation's refusals, and the empty slots it leaves behind: the
// whole report only ever takes the accepted paths.
TEST(ClauseTest, ComparesKeepsVariablesSortedAndRefusesWhatItCannotHold) {
    const Formula f = formulaOf(4, "(1, 2, 3); (3, 1, 2); (1, 2, ~3); (1, 2); ()");
    EXPECT_TRUE(f.clauses[0].equals(f.clauses[1]));
    EXPECT_FALSE(f.clauses[0].equals(f.clauses[2]));
    EXPECT_FALSE(f.clauses[0].equals(f.clauses[3]));
    EXPECT_TRUE(f.clauses[4].equals(Clause()));

    Clause clause;
    EXPECT_EQ(clause.addLiteral(5, 0), 1);
    EXPECT_EQ(clause.addLiteral(1, 1), 1);
    EXPECT_EQ(clause.addLiteral(5, 1), 0);  // a variable held, whatever the sign and place
    EXPECT_EQ(clause.addLiteral(1, 0), 0);
    EXPECT_EQ(clause.addLiteral(3, 0), 1);
    EXPECT_EQ(clause.addLiteral(0, 0), 0);  // full
    EXPECT_EQ(clause.findVariable(Literal(3, 1)), 1);
    EXPECT_EQ(clause.findVariable(Literal(4, 0)), -1);
    EXPECT_EQ(clause.removeLiteral(Literal(1, 0)), 0);  // the sign must match
    for (const int index : {-1, 3}) {
        EXPECT_EQ(clause.removeLiteralAt(index), 0);
    }
    EXPECT_EQ(printed(clause), "-1 3 5\n");
    EXPECT_EQ(clause.removeLiteralAt(0), 1);
    EXPECT_EQ(clause.removeLiteral(Literal(5, 0)), 1);
    EXPECT_EQ(clause.last, 0);
    EXPECT_TRUE(clause.lits[1].equals(Literal()) && clause.lits[2].equals(Literal()));
    clause.lits[1] = Literal(2, 1);  // out of order, as the search never leaves it
    clause.last = 1;
    clause.sortLiterals();
    EXPECT_EQ(clause.lits[0].variable * 10 + clause.lits[0].negated, 21);
}

TEST(FormulaTest, SortsStablyByVariablesAndRemovesClausesInRange) {
    Formula formula = formulaOf(10, "(2, ~5, 9); (~1, 7); (~2, 5); (1, ~7); ()");
    formula.sortClauses();
    EXPECT_EQ(describe(formula), "(); (~1, 7); (1, ~7); (~2, 5); (2, ~5, 9)");

    formula = formulaOf(4, "(0); (1); (~2)");
    EXPECT_EQ(formula.removeClause(-1), 0);
    EXPECT_EQ(formula.removeClause(3), 0);
    EXPECT_EQ(formula.removeClause(0), 1);
    EXPECT_EQ(describe(formula), "(1); (~2)");
    EXPECT_EQ(formula.clauses[2].last, -1);
    EXPECT_EQ(Formula(kMaxClauses + 5).lastClause, kMaxClauses - 1);
}

TEST(VariableOrderTest, MovesListedVariablesOnlyAndPopsFromTheFront) {
    VariableOrder order(4);
    for (const int absent : {-1, 4, 40}) {
        EXPECT_EQ(order.moveToFront(absent), 0);
    }
    EXPECT_EQ(order.moveToFront(3), 1);
    EXPECT_EQ(order.popFront(), 3);
    EXPECT_EQ(order.popFront(), 0);
    EXPECT_EQ(order.moveToFront(0), 0);  // no longer listed
    EXPECT_EQ(printed(order), "List of variables: 1 2 \n");
    EXPECT_EQ(order.slots[2], -1);
    EXPECT_EQ(order.popFront() + order.popFront(), 3);
    EXPECT_EQ(order.popFront(), -1);
    EXPECT_EQ(order.last, -1);
    EXPECT_EQ(VariableOrder(kMaxVariables + 3).last, kMaxVariables - 1);
}

}  // namespace
