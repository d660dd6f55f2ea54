// Decides every formula of a complete run a second time with CaDiCaL, an
// independent solver, and holds the search's verdicts and the report's
// Contradictions column against its answers.
#include <cadical.hpp>
#include <span>

#include "experiment/grid.h"
#include "experiment/trial_runner.h"
#include "solver/assignment.h"
#include "test_support.h"

namespace {

constexpr int kSatisfiable = 10;

// Whether the model satisfies the formula, checked with the solver's own
// assignment step: every clause must go, and none may become empty.
bool satisfiesEveryClause(const Formula& formula, const std::vector<bool>& model) {
    Formula rest = formula;
    VariableOrder order(formula.numVars);
    int contradiction = 0;
    for (std::int32_t v = 0; v < formula.numVars && contradiction == 0; ++v) {
        rest = assignLiteral(rest, Literal(v, model[static_cast<std::size_t>(v)] ? 0 : 1), order,
                             contradiction);
    }
    return contradiction == 0 && rest.lastClause == -1;
}

TEST(CadicalCrossCheck, EveryFormulaOfACompleteRunGetsTheSameVerdict) {
    rngState = kRngInitialState;
    std::vector<std::string> contradictions;
    int modelsChecked = 0;
    for (const std::int32_t numVars : sizeTable) {
        for (const double ratio : ratioTable) {
            const std::int32_t numClauses = clausesFor(ratio, numVars);
            int unsatisfiable = 0;
            for (int trial = 0; trial < kTrials; ++trial) {
                const Formula formula = generateFormula(numVars, numClauses);
                CaDiCaL::Solver reference;
                for (const Clause& clause : std::span(formula.clauses, formula.lastClause + 1)) {
                    for (const Literal& lit : std::span(clause.lits, clause.last + 1)) {
                        reference.add(lit.negated == 1 ? -(lit.variable + 1) : lit.variable + 1);
                    }
                    reference.add(0);
                }
                const bool satisfiable = reference.solve() == kSatisfiable;
                ASSERT_EQ(solve(formula), satisfiable ? 1 : 0)
                    << numVars << " variables, " << numClauses << " clauses, trial " << trial;
                if (!satisfiable) {
                    ++unsatisfiable;
                    continue;
                }
                std::vector<bool> model;
                model.reserve(static_cast<std::size_t>(numVars));
                for (std::int32_t v = 0; v < numVars; ++v) {
                    model.push_back(reference.val(v + 1) > 0);
                }
                ASSERT_TRUE(satisfiesEveryClause(formula, model));
                ++modelsChecked;
            }
            contradictions.push_back(std::to_string(unsatisfiable));
        }
    }
    EXPECT_GT(modelsChecked, 0);
    // The Contradictions column of the expected report, table after table.
    std::vector<std::string> column;
    for (const std::string& line : test_support::lines(test_support::expectedReport())) {
        if (const std::size_t gap = line.find("      "); gap != std::string::npos) {
            column.push_back(line.substr(gap + 6, line.find(' ', gap + 6) - gap - 6));
        }
    }
    EXPECT_EQ(contradictions, column);
    rngState = kRngInitialState;
}

TEST(CadicalCrossCheck, ModelCheckRejectsAnAssignmentThatFalsifiesAClause) {
    const Formula formula = test_support::formulaOf(3, "(0, ~2)");
    EXPECT_TRUE(satisfiesEveryClause(formula, {true, false, true}));
    EXPECT_FALSE(satisfiesEveryClause(formula, {false, true, true}));
}

}  // namespace
