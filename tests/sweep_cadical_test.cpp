// A sweep beyond the classic sizes, and formulas of every model and clause
// length, checked against CaDiCaL: every verdict, every recorded start state,
// and every satisfying assignment the search finds.
#include <gtest/gtest.h>

#include <atomic>
#include <cadical.hpp>
#include <vector>

#include "random/cnf_generator.h"
#include "random/formula_source.h"
#include "solver/trail_search.h"
#include "sweep/sweep_plan.h"
#include "sweep/sweep_runner.h"

namespace {

bool cadicalFindsSatisfiable(const CnfFormula& formula) {
    CaDiCaL::Solver reference;
    for (const CnfClause& clause : formula.clauses) {
        for (std::int32_t k = 0; k < clause.size; ++k) {
            const CnfLiteral lit = clause.lits[k];
            reference.add(isNegated(lit) ? -(variableOf(lit) + 1) : variableOf(lit) + 1);
        }
        reference.add(0);
    }
    return reference.solve() == 10;
}

// Whether the search's own assignment satisfies every clause.
bool modelSatisfies(const CnfFormula& formula, std::span<const std::int8_t> model) {
    for (const CnfClause& clause : formula.clauses) {
        bool holds = false;
        for (std::int32_t k = 0; k < clause.size; ++k) {
            holds = holds || model[static_cast<std::size_t>(variableOf(clause.lits[k]))] ==
                                 (isNegated(clause.lits[k]) ? 0 : 1);
        }
        if (!holds) {
            return false;
        }
    }
    return true;
}

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
            ASSERT_EQ(result.satisfiable, cadicalFindsSatisfiable(formula))
                << "start state " << result.startState;
            const TrailSearch::Outcome again = search.decide(formula);
            ASSERT_EQ(again.steps, result.costs[0]);
            if (!result.satisfiable) {
                ++unsatisfiable;
                continue;
            }
            ++satisfiable;
            ASSERT_TRUE(modelSatisfies(formula, search.model()));
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

TEST(SweepCadicalCrossCheck, EveryModelAndClauseLengthNearItsThreshold) {
    // Sizes at which each k's threshold (2-SAT 1, then 4.27, 9.93, 21.1, 43.4
    // and 87.8) is reached with a few hundred clauses. Uniform formulas get
    // both verdicts; planted and 2-hidden ones must all be satisfiable.
    struct Shape {
        std::int32_t k;
        std::int32_t vars;
        std::int32_t clauses;
    };
    const Shape shapes[] = {{2, 120, 120}, {3, 60, 256}, {4, 30, 298},
                            {5, 20, 422},  {6, 16, 694}, {7, 13, 1141}};
    FormulaSource source(120, 1141);
    TrailSearch search(120, 1141);
    CnfFormula formula;
    RandomStream stream(20261207);
    for (const FormulaModel model :
         {FormulaModel::Uniform, FormulaModel::Planted, FormulaModel::TwoHidden}) {
        int verdicts[2] = {0, 0};
        for (const Shape& shape : shapes) {
            for (int i = 0; i < 12; ++i) {
                ASSERT_TRUE(
                    source.draw(model, shape.k, shape.vars, shape.clauses, stream, formula));
                const TrailSearch::Outcome outcome = search.decide(formula);
                const std::string where = std::string(modelName(model)) +
                                          " k = " + std::to_string(shape.k) + ", formula " +
                                          std::to_string(i);
                ASSERT_EQ(outcome.satisfiable, cadicalFindsSatisfiable(formula)) << where;
                ASSERT_TRUE(outcome.satisfiable || model == FormulaModel::Uniform) << where;
                if (outcome.satisfiable) {
                    ASSERT_TRUE(modelSatisfies(formula, search.model())) << where;
                }
                ++verdicts[outcome.satisfiable ? 1 : 0];
            }
        }
        if (model == FormulaModel::Uniform) {
            EXPECT_GE(verdicts[0], 15);
            EXPECT_GE(verdicts[1], 15);
        }
    }
}

}  // namespace
