// Decides every formula of a complete run a second time with CaDiCaL, an
// independent solver, and holds the search's verdicts and the report's
// Contradictions column against its answers.
#include <gtest/gtest.h>

#include <cadical.hpp>
#include <cstdint>
#include <fstream>
#include <string>
#include <vector>

#include "experiment/report.h"
#include "experiment/trial_runner.h"
#include "formula/formula.h"
#include "random/formula_generator.h"
#include "random/random_source.h"
#include "solver/assignment.h"
#include "solver/search.h"

namespace {

constexpr int kSatisfiable = 10;
constexpr int kUnsatisfiable = 20;

// DIMACS numbering: variable v is v + 1, negated when negative.
int dimacs(const Literal& lit) {
    return lit.negated == 1 ? -(lit.variable + 1) : lit.variable + 1;
}

// Whether the model satisfies the formula, checked by assigning its values
// one by one with the solver's own assignment step: every clause must be
// satisfied and removed, and none may become empty.
bool satisfiesEveryClause(const Formula& formula, const std::vector<bool>& model) {
    Formula rest = formula;
    VariableOrder order(formula.numVars);
    for (std::int32_t v = 0; v < formula.numVars; ++v) {
        int contradiction = 0;
        rest = assignLiteral(rest, Literal(v, model[static_cast<std::size_t>(v)] ? 0 : 1), order,
                             contradiction);
        if (contradiction != 0) {
            return false;
        }
    }
    return rest.lastClause == -1;
}

// The Contradictions column of the expected report, table after table.
std::vector<int> expectedContradictions() {
    std::ifstream report(SATPHASE_EXPECTED_REPORT);
    std::vector<int> counts;
    for (std::string line; std::getline(report, line);) {
        const std::size_t first = line.find("      ");
        if (first == std::string::npos || line.find('|') != std::string::npos) {
            continue;
        }
        counts.push_back(std::stoi(line.substr(first + 6)));
    }
    return counts;
}

TEST(CadicalCrossCheck, EveryFormulaOfACompleteRunGetsTheSameVerdict) {
    rngState = kRngInitialState;
    std::vector<int> contradictions;
    int checked = 0;
    int modelsChecked = 0;
    for (std::int32_t numVars = 10; numVars <= 40; numVars += 10) {
        for (const double ratio : ratioTable) {
            const auto numClauses = static_cast<std::int32_t>(ratio * numVars);
            int unsatisfiable = 0;
            for (int trial = 0; trial < kTrials; ++trial) {
                const Formula formula = generateFormula(numVars, numClauses);
                const int verdict = solve(formula);

                CaDiCaL::Solver reference;
                for (std::int32_t c = 0; c <= formula.lastClause; ++c) {
                    const Clause& clause = formula.clauses[c];
                    for (std::int32_t k = 0; k <= clause.last; ++k) {
                        reference.add(dimacs(clause.lits[k]));
                    }
                    reference.add(0);
                }
                const int answer = reference.solve();
                ASSERT_TRUE(answer == kSatisfiable || answer == kUnsatisfiable);
                ASSERT_EQ(verdict, answer == kSatisfiable ? 1 : 0)
                    << numVars << " variables, " << numClauses << " clauses, trial " << trial;
                if (answer == kUnsatisfiable) {
                    ++unsatisfiable;
                } else {
                    std::vector<bool> model;
                    model.reserve(static_cast<std::size_t>(numVars));
                    for (std::int32_t v = 0; v < numVars; ++v) {
                        model.push_back(reference.val(v + 1) > 0);
                    }
                    ASSERT_TRUE(satisfiesEveryClause(formula, model));
                    ++modelsChecked;
                }
                ++checked;
            }
            contradictions.push_back(unsatisfiable);
        }
    }
    EXPECT_EQ(checked, 4 * 8 * kTrials);
    EXPECT_GT(modelsChecked, 0);
    EXPECT_EQ(contradictions, expectedContradictions());
    rngState = kRngInitialState;
}

TEST(CadicalCrossCheck, ModelCheckRejectsAnAssignmentThatFalsifiesAClause) {
    Formula formula(1);
    formula.numVars = 3;
    formula.clauses[0].addLiteral(0, 0);
    formula.clauses[0].addLiteral(2, 1);
    EXPECT_TRUE(satisfiesEveryClause(formula, {true, false, true}));
    EXPECT_FALSE(satisfiesEveryClause(formula, {false, true, true}));
}

}  // namespace
