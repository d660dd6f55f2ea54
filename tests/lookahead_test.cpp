// The look-ahead engine on formulas small enough to trace by hand: a failed
// literal, a necessary assignment, a node refuted by look-ahead, the
// branching rule's choice and the counts they leave; the engine reused (and
// stopped: dpll_test.cpp).
#include "solver/lookahead.h"

#include <gtest/gtest.h>

#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "random/classic_generator.h"
#include "random/random_stream.h"
#include "random/uniform_generator.h"
#include "solver/model_check.h"
#include "solver/solver_kind.h"
#include "test_support.h"

namespace satphase {

namespace {

using test_support::cnfOf;

struct Counts {
    bool satisfiable;
    std::uint64_t nodes, lookaheads, failedLiterals, necessaryAssignments;
    std::vector<std::int8_t> model;
    bool operator==(const Counts&) const = default;
};

Counts countsOf(Lookahead& engine, const Formula& formula) {
    const Lookahead::Outcome outcome = engine.decide(formula);
    EXPECT_FALSE(outcome.interrupted);
    std::vector<std::int8_t> model;
    if (outcome.satisfiable) {
        EXPECT_TRUE(satisfies(formula, engine.model()));
        model.assign(engine.model().begin(), engine.model().end());
    }
    return {outcome.satisfiable,          outcome.nodes, outcome.lookaheads, outcome.failedLiterals,
            outcome.necessaryAssignments, model};
}

TEST(LookaheadTraceTest, HandTracedFormulasFixTheCounts) {
    Lookahead engine(8, 8);

    // c0 (~1, ~2, 3)  c1 (~1, ~2, ~3)  c2 (~0, 1)  c3 (~0, 2), the wider
    // clauses first (read as clauses of the first one's width, the counts
    // would change).
    // Pressures after three rounds (plain, negated literal): 0 (0.094, 6.0),
    // only the floor pressing 0 true; 1 and 2 (0.36, 0.47); 3 (0.11, 0.11).
    // Ranked 0 (588), 1, 2 (174), 3 (13). 0 true implies 1 and 2, then 3 and
    // ~3: a failed literal, so ~0 holds. 1 true leaves c0, c1 binary (diff
    // 0.083), false shortens nothing unsatisfied (diff 0): score 0.083; 2 the
    // same; 3 leaves one binary clause either way (diff 0.13): score 18, the
    // best (7 look-aheads). Round two (c0, c1 left) ranks 3 (942) ahead of 1
    // and 2 (382); 3 scores 1.8, 1 and 2 score 0.39: no literal proved;
    // branch on 3, true first (diffs tie) (1 node, 13 look-aheads).
    // c1 is left as (~1, ~2): 1 and 2 score 0 each (4 look-aheads); branch
    // on 1, true first (2 nodes), which implies ~2 and satisfies c1.
    // A sum rule would branch on 1 at round two and need 1 node.
    EXPECT_EQ(countsOf(engine, cnfOf(4, "(~1, ~2, 3); (~1, ~2, ~3); (~0, 1); (~0, 2)")),
              (Counts{true, 2, 17, 1, 0, {0, 1, 0, 1}}));

    // c0 (0, 1, 2)  c1 (0, ~1, ~2)  c2 (~0, 1, ~2)  c3 (~0, ~1, 2)
    // c4 (0, 1, ~2): 0 and 1 are pressed 1.15 true and 0.85 false, 2 the
    // other way round (all rank 1002); 3 is in no clause and no candidate.
    // 0 true shortens c2, c3 (diff 2.05), false c0, c1, c4 (diff 2.67); 1
    // the same, 2 the other way round: all score alike. Branch on 0, the
    // first, true first, the side with the smaller diff (1 node, 6
    // look-aheads). c2 (1, ~2) and c3 (~1, 2) are left: 1 and 2 have diff 0
    // both ways; branch on 1, true (2 nodes, 10 look-aheads), which implies
    // 2. The larger diff first would take 0 = false, where 1 = false fails:
    // 1 node.
    EXPECT_EQ(
        countsOf(engine, cnfOf(4, "(0, 1, 2); (0, ~1, ~2); (~0, 1, ~2); (~0, ~1, 2); (0, 1, ~2)")),
        (Counts{true, 2, 10, 0, 0, {1, 1, 1, 0}}));

    // c0 (~0, 1)  c1 (0, 1)  c2 (0, 2)  c3 (~0, 3): 0, pressed 1.01 either
    // way (1039), ranks ahead of 1 (2.31 true, 0.34 false: 808) and of 2
    // and 3 (464). 0 implies 1 and 3, ~0 implies 1 and 2: 1 is a necessary
    // assignment (2 look-aheads), which satisfies c0 and c1; 2 and 3 find
    // nothing. Round two: 0, 2 and 3 have diff 0 every way; branch on 0,
    // true first, which implies 3 (1 node, 12 look-aheads); 2 stays open,
    // false in the model. Were 1 looked ahead on first, ~1 would fail
    // instead: it implies both ~0 and 0.
    EXPECT_EQ(countsOf(engine, cnfOf(4, "(~0, 1); (0, 1); (0, 2); (~0, 3)")),
              (Counts{true, 1, 12, 0, 1, {1, 1, 0, 1}}));

    // c0 (0, 1)  c1 (0, ~1)  c2 (~0, 2)  c3 (~0, ~2): 0, pressed 1.49
    // either way (2262), ranks ahead of 1 and 2 (589). 0 true implies 2 and
    // ~2: failed; ~0 then implies 1 and ~1 at the node itself: refuted by
    // look-ahead, and at the root, so unsatisfiable after 1 look-ahead and
    // no node.
    EXPECT_EQ(countsOf(engine, cnfOf(3, "(0, 1); (0, ~1); (~0, 2); (~0, ~2)")),
              (Counts{false, 0, 1, 1, 0, {}}));

    // Decided by propagation alone, an empty clause, and no clause at all.
    EXPECT_EQ(countsOf(engine, cnfOf(3, "(0); (~0, 1); (~1, 2); (~2, ~0)")),
              (Counts{false, 0, 0, 0, 0, {}}));
    EXPECT_EQ(countsOf(engine, cnfOf(2, "(0, 1); ()")), (Counts{false, 0, 0, 0, 0, {}}));
    EXPECT_EQ(countsOf(engine, cnfOf(0, "")), (Counts{true, 0, 0, 0, 0, {}}));
}

// One engine decides formulas of different sizes one after another, as a
// sweep's thread does; a counter or stamp left over from the previous formula
// changes the next one's counts or verdict.
TEST(LookaheadTraceTest, AReusedEngineCountsAsAFreshOne) {
    ClassicGenerator generator(120, 600);
    Lookahead reused(120, 600);
    RandomStream stream(kRngInitialState);
    Formula formula;
    std::vector<std::uint64_t> counts;
    for (const auto& [vars, clauses] : {std::pair{120, 511}, {30, 128}, {60, 255}, {20, 60}}) {
        ASSERT_TRUE(generator.generate(vars, clauses, stream, formula));
        Lookahead fresh(vars, clauses);
        const Counts reusedCounts = countsOf(reused, formula);
        EXPECT_EQ(reusedCounts, countsOf(fresh, formula)) << vars << " variables";
        counts.insert(counts.end(),
                      {reusedCounts.satisfiable, reusedCounts.nodes, reusedCounts.lookaheads});
    }
    // The counts themselves, which the seed fixes: a change to the
    // preselection, the diffs or the rule shows here first.
    EXPECT_EQ(counts, (std::vector<std::uint64_t>{0, 46, 3189, 1, 3, 161, 0, 5, 433, 1, 5, 211}));
}

// Clauses of four literals and more take preselection's general product (and
// no unrolled search): uniform 4- and 7-SAT near their thresholds, whose
// counts the seed fixes as well.
TEST(LookaheadTraceTest, WideClausesCountAsTheSeedFixes) {
    Lookahead engine(40, 1400);
    RandomStream stream(kRngInitialState);
    Formula formula;
    std::vector<std::uint64_t> counts;
    for (const auto& [k, vars, clauses] : {std::tuple{4, 40, 396}, {7, 16, 1400}}) {
        drawUniformFormula(k, vars, clauses, stream, formula);
        const Counts found = countsOf(engine, formula);
        counts.insert(counts.end(), {found.satisfiable, found.nodes, found.lookaheads});
    }
    EXPECT_EQ(counts, (std::vector<std::uint64_t>{1, 28, 1582, 1, 72, 2008}));
}

}  // namespace

}  // namespace satphase
