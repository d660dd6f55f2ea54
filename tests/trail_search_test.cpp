// The sweep engine against a plain reference search: the same verdicts and
// the same step counts. The classic run's formulas are checked with the
// whole report, against the classic search, in experiment_test.cpp.
#include "solver/trail_search.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

#include "formula/formula.h"
#include "random/random_stream.h"
#include "random/uniform_generator.h"
#include "solver/branch_order.h"
#include "solver/model_check.h"
#include "solver/occurrence_index.h"
#include "test_support.h"

namespace satphase {

namespace {

// The copying search written as plainly as possible: clause lists and the
// order list copied at every step, clauses kept in their order, unit clauses
// promoting their variable in the order they arise.
struct ReferenceSearch {
    using Clauses = std::vector<std::vector<Literal>>;
    std::uint64_t steps = 0;

    bool branch(const Clauses& clauses, std::vector<Variable> order) {
        if (order.empty()) {
            return clauses.empty();
        }
        const Variable variable = order.front();
        order.erase(order.begin());
        return assign(clauses, Literal(variable, false), order) ||
               assign(clauses, Literal(variable, true), order);
    }

    bool assign(const Clauses& clauses, Literal literal, std::vector<Variable> order) {
        ++steps;
        Clauses reduced;
        for (const std::vector<Literal>& clause : clauses) {
            if (std::find(clause.begin(), clause.end(), literal) != clause.end()) {
                continue;
            }
            std::vector<Literal> kept;
            for (const Literal lit : clause) {
                if (lit != ~literal) {
                    kept.push_back(lit);
                }
            }
            if (kept.empty()) {
                return false;
            }
            if (kept.size() == 1 && clause.size() == 2) {
                const Variable unit = kept.front().variable();
                order.erase(std::find(order.begin(), order.end(), unit));
                order.insert(order.begin(), unit);
            }
            reduced.push_back(kept);
        }
        return reduced.empty() || branch(reduced, order);
    }

    bool decide(const Formula& formula) {
        Clauses clauses;
        for (const Clause& clause : formula.clauses) {
            clauses.emplace_back(clause.lits, clause.lits + clause.size);
        }
        std::vector<Variable> order(static_cast<std::size_t>(formula.numVars));
        for (Variable v; v.id < formula.numVars; ++v.id) {
            order[v.index()] = v;
        }
        return branch(clauses, order);
    }
};

// Larger formulas than the classic run's, each decided as the reference
// decides it, in as many steps: uniform 3-SAT beyond forty variables (away
// from the threshold the reference stays fast at 80), uniform k-SAT near each
// k's threshold, and clauses of 1 to 7 literals mixed, so that every width of
// the search is used and clauses shorter than it are filled up.
TEST(TrailSearch, MatchesAPlainReferenceSearch) {
    const struct {
        std::int32_t k, vars, clauses, formulas;  // k 0: mixed lengths
    } shapes[] = {{3, 41, 175, 6},  {3, 45, 192, 4}, {3, 50, 100, 5}, {3, 60, 180, 4},
                  {3, 70, 490, 3},  {3, 80, 160, 3}, {3, 80, 640, 2}, {3, 55, 230, 2},
                  {2, 60, 60, 6},   {4, 25, 248, 6}, {5, 18, 378, 6}, {6, 14, 602, 6},
                  {7, 12, 1056, 6}, {0, 30, 150, 6}};
    TrailSearch engine(80, 1056);
    RandomStream stream(777);
    Formula cnf;
    int verdicts[2] = {0, 0};
    for (const auto& shape : shapes) {
        for (int i = 0; i < shape.formulas; ++i) {
            SCOPED_TRACE("k = " + std::to_string(shape.k) + ", " + std::to_string(shape.vars) +
                         "/" + std::to_string(shape.clauses) + ", formula " + std::to_string(i));
            drawUniformFormula(shape.k == 0 ? kMaxClauseWidth : shape.k, shape.vars, shape.clauses,
                               stream, cnf);
            if (shape.k == 0) {
                for (Clause& clause : cnf.clauses) {
                    clause.size = 1 + stream.below(kMaxClauseWidth);
                }
            }
            ReferenceSearch reference;
            const bool expected = reference.decide(cnf);
            const TrailSearch::Outcome outcome = engine.decide(cnf);
            ASSERT_EQ(outcome.satisfiable, expected);
            ASSERT_EQ(outcome.steps, reference.steps);
            if (expected) {
                ASSERT_EQ(firstFalseClause(cnf, engine.model()), std::nullopt);
            }
            ++verdicts[expected ? 1 : 0];
        }
    }
    // Both verdicts are common here.
    EXPECT_GE(verdicts[0], 15);
    EXPECT_GE(verdicts[1], 15);
}

// With assertions on (the Debug preset), a key one past the end of a table
// is refused, and so is every other access the engine's units rule out, right
// beside the last one they allow; an assertion off by one, or lost, passes
// every other test.
TEST(EngineTypesTest, AccessesPastTheEndAreRefused) {
#ifdef NDEBUG
    GTEST_SKIP() << "assertions are off in this build";
#else
    const Literal last(Variable{1}, true);
    const Literal beyond(Variable{2}, false);
    LiteralMap<int> literals;
    literals.assign(2, 0);
    literals[last] = 1;
    literals.view()[last] = 1;
    EXPECT_DEATH(literals[beyond] = 1, "beyond the table");
    EXPECT_DEATH(literals.view()[beyond] = 1, "beyond the table");
    VariableMap<int> variables;
    variables.assign(2, 0);
    variables[Variable{1}] = 1;
    EXPECT_DEATH(variables[Variable{2}] = 1, "beyond the table");
    EXPECT_DEATH(static_cast<void>(Literal(Variable{-1}, false)), "never negative");

    OccurrenceIndex index(2, 2);
    index.build(test_support::cnfOf(2, "(0, ~1)"));
    EXPECT_EQ(index.of(last).size(), 1U);
    EXPECT_DEATH(static_cast<void>(index.of(beyond)), "beyond the formula");
    EXPECT_DEATH(index.build(test_support::cnfOf(3, "(2)")), "sized for");

    BranchOrder order(2, 2);
    order.reset(0);
    EXPECT_TRUE(order.empty());
    EXPECT_DEATH(order.popFront(), "no variable left");
    EXPECT_DEATH(order.reset(3), "sized for");
#endif
}

}  // namespace

}  // namespace satphase
