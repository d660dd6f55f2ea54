// The backbone against every assignment of small formulas, and its solver
// calls on a seeded formula of the size the sweep measures.
#include "solver/backbone.h"

#include <gtest/gtest.h>

#include <atomic>
#include <string>

#include "random/random_stream.h"
#include "random/uniform_generator.h"
#include "test_support.h"

namespace satphase {

namespace {

TEST(BackboneTest, EqualsEnumerationAcrossWidthsAndRatios) {
    // Below, at and beyond each width's threshold, where backbones go from
    // empty to most of the variables and formulas turn unsatisfiable.
    BackboneFinder finder(14, 14 * 12);
    RandomStream stream(kRngInitialState);
    Formula formula;
    std::int32_t sizes[15] = {};  // formulas by backbone size
    int unsatisfiable = 0;
    for (const std::int32_t k : {2, 3, 4}) {
        for (const double ratio : {0.5, 1.0, 2.0, 3.5, 4.5, 6.0, 12.0}) {
            for (int trial = 0; trial < 40; ++trial) {
                const std::int32_t vars = 8 + trial % 7;
                drawUniformFormula(k, vars, static_cast<std::int32_t>(ratio * vars), stream,
                                   formula);
                SCOPED_TRACE("k " + std::to_string(k) + " ratio " + std::to_string(ratio) +
                             " trial " + std::to_string(trial));
                const test_support::Enumerated expected = test_support::enumerated(formula);
                const BackboneFinder::Outcome outcome = finder.find(formula);
                ASSERT_EQ(outcome.satisfiable, expected.solutions > 0);
                ASSERT_FALSE(outcome.interrupted);
                if (expected.solutions == 0) {
                    ++unsatisfiable;
                    continue;
                }
                std::int32_t size = 0;
                for (std::int32_t v = 0; v < vars; ++v) {
                    ASSERT_EQ(finder.value(Variable{v}),
                              expected.backbone[static_cast<std::size_t>(v)])
                        << "variable " << v;
                    size += expected.backbone[static_cast<std::size_t>(v)] >= 0 ? 1 : 0;
                }
                ASSERT_EQ(outcome.size, size);
                ++sizes[size];
            }
        }
    }
    // The table reached empty backbones, whole ones and unsatisfiable formulas.
    EXPECT_GT(sizes[0], 50);
    EXPECT_GT(sizes[8] + sizes[9] + sizes[10], 5);
    EXPECT_GT(unsatisfiable, 100);
}

TEST(BackboneTest, SeededFormulasSizeAndCallsAndStop) {
    // 100 variables at ratios 3 and 4, the first satisfiable formula of the
    // stream at each: its backbone and the solver calls finding it took,
    // pinned, so that a change in the filtering shows.
    struct Case {
        std::int32_t clauses, size, calls;
    };
    BackboneFinder finder(100, 400);
    RandomStream stream(kRngInitialState);
    Formula formula;
    for (const Case c : {Case{300, 0, 10}, Case{400, 51, 58}}) {
        BackboneFinder::Outcome outcome;
        do {
            drawUniformFormula(3, 100, c.clauses, stream, formula);
            outcome = finder.find(formula);
        } while (!outcome.satisfiable);
        EXPECT_EQ(outcome.size, c.size) << c.clauses;
        EXPECT_EQ(outcome.calls, c.calls) << c.clauses;
    }
    const std::atomic<bool> stop{true};
    EXPECT_TRUE(finder.find(formula, &stop).interrupted);
}

}  // namespace

}  // namespace satphase
