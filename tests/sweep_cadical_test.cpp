// A sweep beyond the classic sizes, checked against CaDiCaL: every verdict,
// every recorded start state, and every satisfying assignment the search finds.
#include <gtest/gtest.h>

#include <atomic>
#include <cadical.hpp>
#include <vector>

#include "random/cnf_generator.h"
#include "solver/trail_search.h"
#include "sweep/sweep_plan.h"
#include "sweep/sweep_runner.h"

namespace {

TEST(SweepCadicalCrossCheck, VerdictsAndModelsAtSixtyAndEightyVariables) {
    SweepDefinition definition;
    ASSERT_FALSE(parseSizes("60,80", definition.vars));
    ASSERT_FALSE(parseRatios("4.26", definition.ratios));
    definition.trials = 50;
    definition.seed = 20261207;
    const std::vector<SweepCell> cells = cellsOf(definition);
    SweepRunner runner(cells, definition.trials, SweepRunner::Options{2, 0});

    CnfGenerator generator(80, 340);
    TrailSearch search(80, 340);
    CnfFormula formula;
    int satisfiable = 0;
    int unsatisfiable = 0;
    SweepRunner::Hooks hooks;
    hooks.finished = [&](const FinishedCell& cell) {
        for (const FormulaResult& result : cell.formulas) {
            RandomStream stream(result.startState);
            ASSERT_TRUE(generator.generate(cell.cell.vars, cell.cell.clauses, stream, formula));
            CaDiCaL::Solver reference;
            for (const CnfClause& clause : formula.clauses) {
                for (std::int32_t k = 0; k < clause.size; ++k) {
                    const CnfLiteral lit = clause.lits[k];
                    reference.add(isNegated(lit) ? -(variableOf(lit) + 1) : variableOf(lit) + 1);
                }
                reference.add(0);
            }
            const int answer = reference.solve();
            ASSERT_EQ(result.satisfiable, answer == 10) << "start state " << result.startState;
            const TrailSearch::Outcome again = search.decide(formula);
            ASSERT_EQ(again.steps, result.steps);
            if (!result.satisfiable) {
                ++unsatisfiable;
                continue;
            }
            ++satisfiable;
            // The search's own assignment, checked clause by clause.
            const auto model = search.model();
            for (const CnfClause& clause : formula.clauses) {
                bool holds = false;
                for (std::int32_t k = 0; k < clause.size; ++k) {
                    holds = holds || model[static_cast<std::size_t>(variableOf(clause.lits[k]))] ==
                                         (isNegated(clause.lits[k]) ? 0 : 1);
                }
                ASSERT_TRUE(holds);
            }
        }
    };
    const std::atomic<bool> stop{false};
    SweepProgress progress;
    ASSERT_EQ(runner.run(definition.seed, hooks, stop, progress), SweepRunner::Outcome::Completed);
    // Near the threshold both verdicts are common; a one-sided result would
    // mean the check saw little.
    EXPECT_GT(satisfiable, 10);
    EXPECT_GT(unsatisfiable, 10);
}

}  // namespace
