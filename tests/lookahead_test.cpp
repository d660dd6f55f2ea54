// The look-ahead engine on formulas small enough to trace by hand: a failed
// literal, a necessary assignment, a node refuted by look-ahead, the
// branching rule's choice and the counts they leave; the engine reused (and
// stopped: dpll_test.cpp).
#include "solver/lookahead.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "random/classic_generator.h"
#include "random/random_stream.h"
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
    // Preselection (a ternary clause shortened weighs 1, a binary one's unit
    // 1 plus what it shortens): 1 and 2 estimate 2 true, 1 false (2051); 3
    // estimates 1 either way (1026); 0 estimates 6 true, 0 false (6). Look
    // ahead on 1: true leaves c0, c1 binary (diff 2), false implies ~0 and
    // satisfies everything it shortens (diff 0): score 2; 2 the same; 3
    // leaves one binary clause either way: score 1026, the best. 0 true
    // implies 1 and 2, then 3 and ~3: a failed literal, so ~0 holds
    // (7 look-aheads). Round two (c0, c1 left): 1, 2, 3 again, no literal
    // proved; branch on 3, true first (diffs tie) (1 node, 13 look-aheads).
    // c1 is left as (~1, ~2): 1 and 2 score 0 each (4 look-aheads); branch
    // on 1, true first (2 nodes), which implies ~2 and satisfies c1.
    // A sum rule would branch on 1 at round two and need 1 node.
    EXPECT_EQ(countsOf(engine, cnfOf(4, "(~1, ~2, 3); (~1, ~2, ~3); (~0, 1); (~0, 2)")),
              (Counts{true, 2, 17, 1, 0, {0, 1, 0, 1}}));

    // c0 (0, 1, 2)  c1 (0, ~1, ~2)  c2 (~0, 1, ~2)  c3 (~0, ~1, 2)
    // c4 (0, 1, ~2): 0, 1 and 2 estimate 2 one way and 3 the other (6149
    // each); 3 is in no clause and no candidate. 0 true shortens c2, c3
    // (diff 2), false c0, c1, c4 (diff 3); 1 the same, 2 the other way
    // round: all score 6149. Branch on 0, true first, the side with the
    // smaller diff (1 node, 6 look-aheads). c2 (1, ~2) and c3 (~1, 2) are
    // left: 1 and 2 have diff 0 both ways; branch on 1, true (2 nodes, 10
    // look-aheads), which implies 2. The larger diff first would take
    // 0 = false, where 1 = false fails: 1 node.
    EXPECT_EQ(
        countsOf(engine, cnfOf(4, "(0, 1, 2); (0, ~1, ~2); (~0, 1, ~2); (~0, ~1, 2); (0, 1, ~2)")),
        (Counts{true, 2, 10, 0, 0, {1, 1, 1, 0}}));

    // c0 (~0, 1)  c1 (0, 1): 0 estimates 1 either way (1026), ahead of 1
    // (0 true, 2 false: 2). 0 implies 1, and so does ~0: 1 is a necessary
    // assignment,
    // which satisfies both clauses (no node, 2 look-aheads); 0 stays open,
    // false in the model. Without it, 1 would fail false (4 look-aheads).
    EXPECT_EQ(countsOf(engine, cnfOf(2, "(~0, 1); (0, 1)")), (Counts{true, 0, 2, 0, 1, {0, 1}}));

    // c0 (0, 1)  c1 (0, ~1)  c2 (~0, 2)  c3 (~0, ~2): 0 estimates 2 either
    // way (4100), ahead of 1 and 2 (1026). 0 true implies 2 and ~2: failed;
    // ~0 then implies 1 and ~1 at the node itself: refuted by look-ahead,
    // and at the root, so unsatisfiable after 1 look-ahead and no node.
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
    EXPECT_EQ(counts, (std::vector<std::uint64_t>{0, 62, 5083, 1, 3, 170, 0, 8, 448, 1, 2, 80}));
}

}  // namespace

}  // namespace satphase
