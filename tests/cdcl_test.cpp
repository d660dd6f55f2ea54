// The three solvers side by side: CaDiCaL (cdcl) is the independent referee
// for our DPLL and for the splitting search, every model is checked, and the
// cross-check that a sweep relies on must catch a wrong verdict.
#include <gtest/gtest.h>

#include <array>
#include <atomic>
#include <string>
#include <vector>

#include "random/cnf_generator.h"
#include "random/random_stream.h"
#include "solver/solver_kind.h"
#include "sweep/sweep_plan.h"

namespace {

struct Tally {
    int satisfiable = 0;
    int unsatisfiable = 0;
};

// Decides `formula` with every solver in `kinds` and holds them to one
// verdict and to models that satisfy the formula.
void expectAgreement(FormulaDecider& decider, const CnfFormula& formula,
                     std::initializer_list<SolverKind> kinds, Tally& tally,
                     const std::string& where) {
    std::vector<SolverResult> results;
    for (const SolverKind kind : kinds) {
        results.push_back(decider.decide(kind, formula));
        ASSERT_FALSE(results.back().interrupted) << where;
        ASSERT_TRUE(results.back().modelHolds) << solverName(kind) << ", " << where;
    }
    ASSERT_EQ(disagreement(results), std::nullopt) << where;
    ++(results[0].satisfiable ? tally.satisfiable : tally.unsatisfiable);
}

TEST(SolverAgreementTest, AllSolversAgreeOnClassicFormulas) {
    constexpr std::int32_t kLargest = 80;
    CnfGenerator generator(kLargest, 6 * kLargest);
    FormulaDecider decider(kLargest, 6 * kLargest);
    RandomStream stream(kRngInitialState);
    CnfFormula formula;
    Tally tally;
    for (const std::int32_t vars : {20, 50, kLargest}) {
        for (const std::int64_t millionths : {3000000, 4260000, 5000000, 6000000}) {
            const auto clauses = static_cast<std::int32_t>(Ratio{millionths}.clausesFor(vars));
            for (int trial = 0; trial < 120; ++trial) {
                const std::int32_t start = stream.state();
                ASSERT_TRUE(generator.generate(vars, clauses, stream, formula));
                const std::string where = std::to_string(vars) + " variables, " +
                                          std::to_string(clauses) + " clauses, start state " +
                                          std::to_string(start);
                if (vars <= 50) {
                    expectAgreement(decider, formula,
                                    {SolverKind::Cdcl, SolverKind::Dpll, SolverKind::Splitting},
                                    tally, where);
                } else {
                    expectAgreement(decider, formula, {SolverKind::Cdcl, SolverKind::Dpll}, tally,
                                    where);
                }
            }
        }
    }
    EXPECT_GT(tally.satisfiable, 300);
    EXPECT_GT(tally.unsatisfiable, 300);
}

// Clauses of exactly k literals over distinct variables, chosen and signed
// uniformly, for every clause length the formulas can hold.
void drawFixedLength(std::int32_t vars, std::int32_t clauses, std::int32_t k, RandomStream& stream,
                     CnfFormula& out) {
    out.numVars = vars;
    out.clauses.assign(static_cast<std::size_t>(clauses), CnfClause{});
    for (CnfClause& clause : out.clauses) {
        while (clause.size < k) {
            const std::int32_t variable = stream.below(vars);
            bool repeated = false;
            for (std::int32_t i = 0; i < clause.size; ++i) {
                repeated = repeated || variableOf(clause.lits[i]) == variable;
            }
            if (!repeated) {
                clause.lits[clause.size++] = makeCnfLiteral(variable, stream.below(2) == 1);
            }
        }
    }
}

TEST(SolverAgreementTest, DpllAgreesWithCdclForEveryClauseLength) {
    // Near each length's satisfiability threshold, on sizes that keep the
    // longer lengths' many clauses quick to decide.
    constexpr std::array<double, 8> kThreshold = {0, 0, 1.0, 4.26, 9.93, 21.1, 43.4, 87.8};
    constexpr std::array<std::array<std::int32_t, 2>, 8> kSizes = {
        {{0, 0}, {0, 0}, {30, 60}, {30, 60}, {15, 25}, {10, 15}, {10, 12}, {8, 10}}};
    FormulaDecider decider(60, 4000);
    RandomStream stream(kRngInitialState);
    CnfFormula formula;
    for (std::int32_t k = 2; k <= kMaxCnfClauseWidth; ++k) {
        Tally tally;
        for (const std::int32_t vars : kSizes[static_cast<std::size_t>(k)]) {
            for (const double factor : {0.8, 1.1, 1.5}) {
                const auto clauses = static_cast<std::int32_t>(
                    kThreshold[static_cast<std::size_t>(k)] * factor * vars);
                for (int trial = 0; trial < 100; ++trial) {
                    drawFixedLength(vars, clauses, k, stream, formula);
                    expectAgreement(decider, formula, {SolverKind::Cdcl, SolverKind::Dpll}, tally,
                                    "k = " + std::to_string(k) + ", " + std::to_string(vars) +
                                        " variables, trial " + std::to_string(trial));
                }
            }
        }
        EXPECT_GT(tally.satisfiable, 50) << "k = " << k;
        EXPECT_GT(tally.unsatisfiable, 50) << "k = " << k;
    }
}

CnfFormula chainOf(const std::vector<std::vector<CnfLiteral>>& clauses, std::int32_t vars) {
    CnfFormula formula;
    formula.numVars = vars;
    for (const auto& literals : clauses) {
        CnfClause& clause = formula.clauses.emplace_back();
        for (const CnfLiteral literal : literals) {
            clause.lits[clause.size++] = literal;
        }
    }
    return formula;
}

TEST(CdclTest, CountsConflictsOnlyWhereTheSearchMeetsThem) {
    FormulaDecider decider(100, 600);
    const CnfLiteral x0 = makeCnfLiteral(0, false);
    const CnfLiteral x1 = makeCnfLiteral(1, false);
    const CnfLiteral x2 = makeCnfLiteral(2, false);
    // x0; x0 -> x1; x1 -> x2; and then either ~x2 or nothing: propagation
    // alone refutes or satisfies them.
    const CnfFormula refuted = chainOf(
        {{x0}, {negationOf(x0), x1}, {negationOf(x1), x2}, {negationOf(x2), negationOf(x0)}}, 3);
    const CnfFormula satisfied = chainOf({{x0}, {negationOf(x0), x1}, {negationOf(x1), x2}}, 3);
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
    CnfGenerator generator(100, 600);
    CnfFormula formula;
    RandomStream stream(kRngInitialState);
    ASSERT_TRUE(generator.generate(100, 600, stream, formula));
    const SolverResult hard = decider.decide(SolverKind::Cdcl, formula);
    EXPECT_FALSE(hard.satisfiable);
    EXPECT_GT(hard.cost, 10U);
}

TEST(CdclTest, ARaisedStopFlagEndsTheSearch) {
    // Hard enough at the threshold that CaDiCaL looks at its terminator first.
    CnfGenerator generator(250, 1065);
    CnfFormula formula;
    RandomStream stream(kRngInitialState);
    ASSERT_TRUE(generator.generate(250, 1065, stream, formula));
    FormulaDecider decider(250, 1065);
    const std::atomic<bool> stop{true};
    EXPECT_TRUE(decider.decide(SolverKind::Cdcl, formula, &stop).interrupted);
}

TEST(CrossCheckTest, AWrongVerdictOrModelIsCaught) {
    CnfGenerator generator(40, 240);
    CnfFormula formula;
    RandomStream stream(kRngInitialState);
    ASSERT_TRUE(generator.generate(40, 240, stream, formula));  // ratio 6: unsatisfiable
    FormulaDecider decider(40, 240);
    std::vector<SolverResult> results;
    for (const SolverKind kind : kAllSolvers) {
        results.push_back(decider.decide(kind, formula));
    }
    ASSERT_EQ(disagreement(results), std::nullopt);
    ASSERT_FALSE(results[0].satisfiable);

    results[1].satisfiable = true;  // dpll wrong
    EXPECT_EQ(disagreement(results), "splitting says unsatisfiable, dpll says satisfiable");
    results[1].interrupted = true;  // a stopped search's verdict counts for nothing
    EXPECT_EQ(disagreement(results), std::nullopt);
    results[2].satisfiable = true;  // cdcl wrong, and with a model that fails
    results[2].modelHolds = false;
    EXPECT_EQ(disagreement(results), "cdcl says satisfiable, but its model falsifies a clause");

    // The model check behind modelHolds.
    const CnfFormula small = chainOf({{makeCnfLiteral(0, false), makeCnfLiteral(1, true)}}, 2);
    EXPECT_TRUE(satisfies(small, std::vector<std::int8_t>{0, 0}));
    EXPECT_FALSE(satisfies(small, std::vector<std::int8_t>{0, 1}));
    EXPECT_FALSE(satisfies(small, std::vector<std::int8_t>{1}));  // a variable short
}

TEST(SolverKindTest, ListsAreParsedAndRefused) {
    std::vector<SolverKind> kinds;
    EXPECT_EQ(parseSolverList("cdcl,splitting,dpll", kinds), std::nullopt);
    EXPECT_EQ(kinds, (std::vector{SolverKind::Cdcl, SolverKind::Splitting, SolverKind::Dpll}));
    EXPECT_EQ(parseSolverList("dpll,cdcl,dpll", kinds), "solver 'dpll' is listed twice");
    EXPECT_EQ(parseSolverList("dpll,", kinds),
              "'' is not a solver; expected splitting, dpll or cdcl");
    EXPECT_EQ(parseSolverList("DPLL", kinds),
              "'DPLL' is not a solver; expected splitting, dpll or cdcl");
}

}  // namespace
