// The DPLL engine on formulas small enough to trace by hand: what it counts
// and why, a pure literal, a conflict found by propagation, the branching
// rule's choice of variable and of value; the engine reused; and it and the
// look-ahead stopped.
#include "solver/dpll.h"

#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <vector>

#include "classic/random/random_source.h"
#include "random/classic_generator.h"
#include "solver/lookahead.h"
#include "solver/model_check.h"
#include "solver/solver_kind.h"
#include "test_support.h"

namespace satphase {

namespace {

using test_support::cnfOf;

struct Counts {
    bool satisfiable;
    std::uint64_t branches, propagations, pureLiterals;
    bool operator==(const Counts&) const = default;
};

Counts countsOf(Dpll& dpll, const Formula& formula) {
    const Dpll::Outcome outcome = dpll.decide(formula);
    EXPECT_FALSE(outcome.interrupted);
    if (outcome.satisfiable) {
        EXPECT_TRUE(satisfies(formula, dpll.model()));
    }
    return {outcome.satisfiable, outcome.branches, outcome.propagations, outcome.pureLiterals};
}

// Weights below: u = 2^13 is a clause of three open literals, 2u one of two.
TEST(DpllTraceTest, HandTracedFormulasFixTheCounts) {
    Dpll dpll(8, 8);

    // c0 (1, 2, 3)  c1 (0, 1)  c2 (0, ~1)  c3 (~0, 2)  c4 (~0, ~2)
    // Root: 3 occurs only plainly, so it is pure: 3 = true satisfies c0 (1
    // pure literal); nothing else is pure then. Scores: 0 has 2u + 2u,
    // 1 and 2 have 2u each: branch on 0, true first (2u >= 2u) (1 branch).
    // 0 = true: c3 leaves 2 (1 propagation), c4 then has both literals
    // false: a conflict found by propagation. Back to 0 = false: c1 leaves
    // 1 (2 propagations), c2 is then false. No level is left: unsatisfiable.
    // (Clauses of two widths, the wider first: read as clauses of the first
    // one's width, the counts would change.)
    EXPECT_EQ(countsOf(dpll, cnfOf(4, "(1, 2, 3); (0, 1); (0, ~1); (~0, 2); (~0, ~2)")),
              (Counts{false, 1, 2, 1}));

    // c0 (2, 0)  c1 (2, ~0)  c2 (~2, 3)  c3 (~2, 1)  c4 (0, ~3, ~1)  c5 (~2, 0, 3)
    // No pure literal. Scores: 2 has 4u plain (c0, c1) and 5u negated
    // (c2, c3, c5): 9u, more than 0 (6u), 3 (4u) and 1 (3u); branch on 2,
    // false first (1 branch). 2 = false: c0 leaves 0 (1 propagation), c1 is
    // false. 2 = true: c2 leaves 3, c3 leaves 1 (3 propagations); 3 and 1
    // true leave c4 just 0 (4 propagations); every clause is satisfied.
    // A rule that branched on variable 0, or tried 2 = true first, would
    // need 3 propagations.
    Counts flipped =
        countsOf(dpll, cnfOf(4, "(2, 0); (2, ~0); (~2, 3); (~2, 1); (0, ~3, ~1); (~2, 0, 3)"));
    EXPECT_EQ(flipped, (Counts{true, 1, 4, 0}));
    EXPECT_EQ(std::vector<std::int8_t>(dpll.model().begin(), dpll.model().end()),
              (std::vector<std::int8_t>{1, 1, 1, 1}));

    // c0 (0, 1)  c1 (0, ~1)  c2 (~0, 2, 3)  c3 (~0, 4)  c4 (~0, 5)  c5 (~2, ~3)
    // c6 (~4, ~5, 1). No pure literal. Scores: 0 has 4u plain, 5u negated:
    // 9u, the most; branch on 0, false first (1 branch). 0 = false satisfies
    // c2, c3, c4; c0 leaves 1 (1 propagation), c1 is false. Going back must
    // count c2, c3 and c4 unsatisfied again. 0 = true: c3 leaves 4, c4
    // leaves 5 (3 propagations), then c6 leaves 1 (4). Left: c2 (2, 3) and
    // c5 (~2, ~3), where 2 and 3 occur on both sides: no pure literal (had c2
    // stayed counted satisfied, ~2 would look pure). 2 and 3 tie at 4u:
    // branch on 2, true first (2 branches); c5 leaves ~3 (5 propagations).
    EXPECT_EQ(countsOf(dpll, cnfOf(6,
                                   "(0, 1); (0, ~1); (~0, 2, 3); (~0, 4); (~0, 5); (~2, ~3); "
                                   "(~4, ~5, 1)")),
              (Counts{true, 2, 5, 0}));
    EXPECT_EQ(std::vector<std::int8_t>(dpll.model().begin(), dpll.model().end()),
              (std::vector<std::int8_t>{1, 1, 1, 0, 1, 1}));

    // Decided by propagation alone: the unit 0 (1 propagation); c1 leaves 1,
    // c3 leaves ~2 (3 propagations); then c2 (~1, 2) is false.
    EXPECT_EQ(countsOf(dpll, cnfOf(3, "(0); (~0, 1); (~1, 2); (~2, ~0)")),
              (Counts{false, 0, 3, 0}));
    // 0 occurs only plainly: pure, it satisfies c0 and c1; then ~1 is pure
    // and satisfies c2. That leaves 2 in no clause, neither pure nor
    // branched on, false in the model.
    EXPECT_EQ(countsOf(dpll, cnfOf(3, "(0, ~1); (0, 2); (~1, 2)")), (Counts{true, 0, 0, 2}));
    EXPECT_EQ(std::vector<std::int8_t>(dpll.model().begin(), dpll.model().end()),
              (std::vector<std::int8_t>{1, 0, 0}));
    // An empty clause, and no clause at all.
    EXPECT_EQ(countsOf(dpll, cnfOf(2, "(0, 1); ()")), (Counts{false, 0, 0, 0}));
    EXPECT_EQ(countsOf(dpll, cnfOf(0, "")), (Counts{true, 0, 0, 0}));
}

// One engine decides formulas of different sizes one after another; a
// counter or list left over from the previous formula changes the next one's
// counts or verdict. The counts are pinned too: the branching scores are
// kept up to date through every assignment and every step back, and a score
// that drifts on the way back changes the choices of a search with many
// backtracks, as the first formula's.
TEST(DpllTraceTest, AReusedEngineCountsAsAFreshOne) {
    ClassicGenerator generator(120, 600);
    Dpll reused(120, 600);
    RandomStream stream(kRngInitialState);
    Formula formula;
    const Counts expected[] = {
        {false, 370, 11627, 50}, {false, 24, 322, 4}, {false, 34, 708, 10}, {true, 6, 22, 8}};
    std::size_t at = 0;
    for (const auto& [vars, clauses] : {std::pair{120, 600}, {30, 128}, {60, 255}, {20, 60}}) {
        ASSERT_TRUE(generator.generate(vars, clauses, stream, formula));
        Dpll fresh(vars, clauses);
        const Counts counts = countsOf(reused, formula);
        EXPECT_EQ(counts, countsOf(fresh, formula)) << vars << " variables";
        EXPECT_EQ(counts, expected[at++]) << vars << " variables";
    }
}

// The first formula at the threshold that needs well over the `between`
// units of `work` between two looks at the stop flag, decided again with the
// flag raised: stopped within them, with no verdict.
template <typename Engine>
void expectStopsWithin(std::int32_t vars, std::int32_t clauses,
                       std::uint64_t Engine::Outcome::*work, std::uint64_t needed,
                       std::uint64_t between) {
    ClassicGenerator generator(vars, clauses);
    Formula formula;
    RandomStream stream(kRngInitialState);
    Engine engine(vars, clauses);
    typename Engine::Outcome full;
    for (int attempt = 0; attempt < 50 && full.*work < needed; ++attempt) {
        ASSERT_TRUE(generator.generate(vars, clauses, stream, formula));
        full = engine.decide(formula);
    }
    ASSERT_GE(full.*work, needed);
    const std::atomic<bool> stop{true};
    const typename Engine::Outcome stopped = engine.decide(formula, &stop);
    EXPECT_TRUE(stopped.interrupted);
    EXPECT_FALSE(stopped.satisfiable);
    EXPECT_LE(stopped.*work, between);
}

// DPLL looks every 1024 decisions, the look-ahead every 256 nodes.
TEST(StopFlagTest, DpllAndLookaheadStopWithinTheirInterval) {
    expectStopsWithin<Dpll>(150, 639, &Dpll::Outcome::branches, 4000, 1024);
    expectStopsWithin<Lookahead>(200, 852, &Lookahead::Outcome::nodes, 300, 256);
}

}  // namespace

}  // namespace satphase
