// CaDiCaL (cdcl) the referee of our DPLL, look-ahead and splitting search,
// its own counts pinned, and the checks of every verdict: the cross-check of
// the solvers' verdicts and the model check.
#include <gtest/gtest.h>

#include <array>
#include <atomic>
#include <string>
#include <vector>

#include "random/classic_generator.h"
#include "random/formula_source.h"
#include "random/random_stream.h"
#include "solver/model_check.h"
#include "solver/solver_kind.h"
#include "test_support.h"

namespace satphase {

namespace {

using test_support::cnfOf;

TEST(SolverAgreementTest, DpllAndLookaheadAgreeWithCdclOnEveryModelAndClauseLength) {
    // Below, near and above each length's threshold, for every model that
    // takes the length, on sizes where the longer lengths stay quick; one
    // engine of each kind decides all of them, and every model is checked
    // (the sweep's tests hold all the solvers to one verdict at 20 and 30).
    constexpr std::array<double, 8> kThreshold = {0, 0, 1.0, 4.26, 9.93, 21.1, 43.4, 87.8};
    constexpr std::array<std::array<std::int32_t, 3>, 8> kSizes = {{{0, 0, 0},
                                                                    {0, 0, 0},
                                                                    {12, 40, 90},
                                                                    {12, 40, 90},
                                                                    {10, 20, 30},
                                                                    {8, 12, 16},
                                                                    {8, 10, 12},
                                                                    {8, 9, 10}}};
    constexpr FormulaModel kModels[] = {FormulaModel::Classic, FormulaModel::Uniform,
                                        FormulaModel::Planted, FormulaModel::TwoHidden};
    FormulaDecider decider(90, 1500);
    FormulaSource source(90, 1500);
    RandomStream stream(kRngInitialState);
    Formula formula;
    int verdicts[2] = {0, 0};
    for (const FormulaModel model : kModels) {
        for (std::int32_t k = 2; k <= kMaxClauseWidth; ++k) {
            const auto at = static_cast<std::size_t>(k);
            for (const std::int32_t vars : kSizes[at]) {
                for (const double factor : {0.7, 1.0, 1.3}) {
                    const auto clauses = static_cast<std::int32_t>(kThreshold[at] * factor * vars);
                    if (modelRefusal({model, k}, vars, clauses)) {
                        continue;
                    }
                    for (int trial = 0; trial < 25; ++trial) {
                        ASSERT_TRUE(source.draw({model, k}, vars, clauses, stream, formula));
                        const SolverResult cdcl = decider.decide(SolverKind::Cdcl, formula);
                        const SolverResult lookahead =
                            decider.decide(SolverKind::Lookahead, formula);
                        const SolverResult dpll = decider.decide(SolverKind::Dpll, formula);
                        SCOPED_TRACE(std::string(modelName(model)) + ", k = " + std::to_string(k) +
                                     ", " + std::to_string(vars) + " variables, " +
                                     std::to_string(clauses) + " clauses, trial " +
                                     std::to_string(trial));
                        ASSERT_TRUE(cdcl.modelHolds && lookahead.modelHolds && dpll.modelHolds);
                        ASSERT_FALSE(cdcl.interrupted || lookahead.interrupted || dpll.interrupted);
                        ASSERT_EQ(lookahead.satisfiable, cdcl.satisfiable);
                        ASSERT_EQ(dpll.satisfiable, cdcl.satisfiable);
                        ++verdicts[cdcl.satisfiable ? 1 : 0];
                    }
                }
            }
        }
    }
    // The seed fixes the 4,275 formulas, and with them how many of each
    // verdict there are.
    EXPECT_EQ(verdicts[0], 571);
    EXPECT_EQ(verdicts[1], 3704);
}

TEST(CdclTest, CountsConflictsOnlyWhereTheSearchMeetsThemAndStopsWhenAsked) {
    FormulaDecider decider(100, 600);
    // x0; x0 -> x1; x1 -> x2; and then either ~x2 or nothing: propagation
    // alone refutes or satisfies them.
    const Formula refuted = cnfOf(3, "(0); (~0, 1); (~1, 2); (~2, ~0)");
    const Formula satisfied = cnfOf(3, "(0); (~0, 1); (~1, 2)");
    const SolverResult unsat = decider.decide(SolverKind::Cdcl, refuted);
    EXPECT_FALSE(unsat.satisfiable);
    EXPECT_EQ(unsat.cost, 0U);
    const SolverResult sat = decider.decide(SolverKind::Cdcl, satisfied);
    EXPECT_TRUE(sat.satisfiable);
    EXPECT_EQ(sat.cost, 0U);
    EXPECT_EQ(std::vector<std::int8_t>(decider.model(SolverKind::Cdcl).begin(),
                                       decider.model(SolverKind::Cdcl).end()),
              (std::vector<std::int8_t>{1, 1, 1}));

    // An unsatisfiable formula beyond propagation does count conflicts.
    ClassicGenerator generator(100, 600);
    Formula formula;
    RandomStream stream(kRngInitialState);
    ASSERT_TRUE(generator.generate(100, 600, stream, formula));
    const SolverResult hard = decider.decide(SolverKind::Cdcl, formula);
    EXPECT_FALSE(hard.satisfiable);
    EXPECT_EQ(hard.cost, 115U);  // pinned: CaDiCaL with the options set here
    // A raised stop flag ends a search hard enough at the threshold that
    // CaDiCaL looks at its terminator first.
    ClassicGenerator threshold(250, 1065);
    ASSERT_TRUE(threshold.generate(250, 1065, stream, formula));
    FormulaDecider large(250, 1065);
    const std::atomic<bool> stop{true};
    EXPECT_TRUE(large.decide(SolverKind::Cdcl, formula, &stop).interrupted);
}

// A stopped search's verdict counts for nothing (the other disagreements,
// as a sweep meets them: sweep_test.cpp).
TEST(CrossCheckTest, AStoppedSearchsVerdictCountsForNothing) {
    std::vector<SolverResult> results(2);  // the splitting search's unsatisfiable, twice
    results[1] = {.kind = SolverKind::Dpll, .satisfiable = true};
    EXPECT_EQ(disagreement(results), "splitting says unsatisfiable, dpll says satisfiable");
    results[1].interrupted = true;
    EXPECT_EQ(disagreement(results), std::nullopt);
}

// The model check behind modelHolds, and behind every verdict solve prints.
TEST(ModelCheck, NamesTheFirstClauseTheValuesLeaveFalse) {
    const Formula formula = cnfOf(3, "(0, ~1); (1, 2); (~0, ~2)");
    using Values = std::vector<std::int8_t>;
    EXPECT_EQ(firstFalseClause(formula, Values{1, 1, 0}), std::nullopt);
    EXPECT_EQ(firstFalseClause(formula, Values{1, 0, 0}), 1U);
    EXPECT_EQ(firstFalseClause(formula, Values{0, 1, 1}), 0U);
    EXPECT_EQ(firstFalseClause(formula, Values{1, 1, 1}), 2U);
    EXPECT_EQ(firstFalseClause(formula, Values{1}), 1U);  // a missing value satisfies nothing
    // A model has one value for each variable, no more and no fewer.
    EXPECT_TRUE(satisfies(formula, Values{1, 1, 0}));
    EXPECT_FALSE(satisfies(formula, Values{1, 0, 0}));
    EXPECT_FALSE(satisfies(formula, Values{1, 1, 0, 0}));
}

}  // namespace

}  // namespace satphase
