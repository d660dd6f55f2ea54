// The sweep engine against the classic search: the same formulas from the
// same stream, the same verdicts and the same step counts, on every formula
// of the classic run and on larger formulas against a plain reference search.
#include "solver/trail_search.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "experiment/trial_runner.h"
#include "formula/cnf_formula.h"
#include "formula/formula.h"
#include "random/cnf_generator.h"
#include "random/formula_generator.h"
#include "random/random_source.h"
#include "random/random_stream.h"
#include "random/uniform_generator.h"
#include "solver/assignment.h"
#include "solver/search.h"

namespace {

bool sameClauses(const Formula& classic, const CnfFormula& cnf) {
    if (classic.numVars != cnf.numVars ||
        static_cast<std::size_t>(classic.lastClause) + 1 != cnf.clauses.size()) {
        return false;
    }
    for (std::size_t c = 0; c < cnf.clauses.size(); ++c) {
        const Clause& a = classic.clauses[c];
        const CnfClause& b = cnf.clauses[c];
        if (a.last + 1 != b.size) {
            return false;
        }
        for (std::int32_t k = 0; k < b.size; ++k) {
            if (b.lits[k] != makeCnfLiteral(a.lits[k].variable, a.lits[k].negated == 1)) {
                return false;
            }
        }
    }
    return true;
}

bool satisfies(const CnfFormula& formula, std::span<const std::int8_t> model) {
    for (const CnfClause& clause : formula.clauses) {
        bool satisfied = false;
        for (std::int32_t k = 0; k < clause.size; ++k) {
            const CnfLiteral lit = clause.lits[k];
            satisfied = satisfied || model[static_cast<std::size_t>(variableOf(lit))] ==
                                         (isNegated(lit) ? 0 : 1);
        }
        if (!satisfied) {
            return false;
        }
    }
    return true;
}

// The copying search written as plainly as possible: clause lists and the
// order list copied at every step, clauses kept in their order, unit clauses
// promoting their variable in the order they arise.
struct ReferenceSearch {
    using Clauses = std::vector<std::vector<CnfLiteral>>;
    std::uint64_t steps = 0;

    bool branch(const Clauses& clauses, std::vector<std::int32_t> order) {
        if (order.empty()) {
            return clauses.empty();
        }
        const std::int32_t variable = order.front();
        order.erase(order.begin());
        return assign(clauses, makeCnfLiteral(variable, false), order) ||
               assign(clauses, makeCnfLiteral(variable, true), order);
    }

    bool assign(const Clauses& clauses, CnfLiteral literal, std::vector<std::int32_t> order) {
        ++steps;
        Clauses reduced;
        for (const std::vector<CnfLiteral>& clause : clauses) {
            if (std::find(clause.begin(), clause.end(), literal) != clause.end()) {
                continue;
            }
            std::vector<CnfLiteral> kept;
            for (const CnfLiteral lit : clause) {
                if (lit != negationOf(literal)) {
                    kept.push_back(lit);
                }
            }
            if (kept.empty()) {
                return false;
            }
            if (kept.size() == 1 && clause.size() == 2) {
                const std::int32_t unit = variableOf(kept.front());
                order.erase(std::find(order.begin(), order.end(), unit));
                order.insert(order.begin(), unit);
            }
            reduced.push_back(kept);
        }
        return reduced.empty() || branch(reduced, order);
    }

    bool decide(const CnfFormula& formula) {
        Clauses clauses;
        for (const CnfClause& clause : formula.clauses) {
            clauses.emplace_back(clause.lits, clause.lits + clause.size);
        }
        std::vector<std::int32_t> order(static_cast<std::size_t>(formula.numVars));
        for (std::int32_t v = 0; v < formula.numVars; ++v) {
            order[static_cast<std::size_t>(v)] = v;
        }
        return branch(clauses, order);
    }
};

TEST(TrailSearch, MatchesTheClassicSearchOnEveryFormulaOfTheClassicRun) {
    rngState = kRngInitialState;
    CnfGenerator generator(40, kMaxClauses);
    TrailSearch engine(40, kMaxClauses);
    CnfFormula cnf;
    int formulas = 0;
    for (std::int32_t numVars = 10; numVars <= 40; numVars += 10) {
        for (const double ratio : {2.0, 3.0, 4.0, 4.5, 5.0, 6.0, 7.0, 8.0}) {
            const auto numClauses = static_cast<std::int32_t>(ratio * numVars);
            for (std::int32_t trial = 0; trial < kTrials; ++trial) {
                RandomStream stream(rngState);
                const Formula classic = generateFormula(numVars, numClauses);
                ASSERT_TRUE(
                    generator.generate(numVars, std::min(numClauses, kMaxClauses), stream, cnf));
                ASSERT_EQ(stream.state(), rngState)
                    << "draws differ at " << numVars << "/" << numClauses << " trial " << trial;
                ASSERT_TRUE(sameClauses(classic, cnf));
                const bool satisfiable = solve(classic) == 1;
                const TrailSearch::Outcome outcome = engine.decide(cnf);
                ASSERT_EQ(outcome.satisfiable, satisfiable);
                ASSERT_EQ(outcome.steps, static_cast<std::uint64_t>(stepCounter))
                    << numVars << "/" << numClauses << " trial " << trial;
                if (satisfiable) {
                    ASSERT_TRUE(satisfies(cnf, engine.model()));
                }
                ++formulas;
            }
        }
    }
    EXPECT_EQ(formulas, 9632);
}

TEST(TrailSearch, MatchesAPlainReferenceSearchBeyondFortyVariables) {
    struct Shape {
        std::int32_t vars;
        std::int32_t clauses;
        int formulas;
    };
    // Away from the threshold the reference search stays fast enough at 80
    // variables; near it, the smaller sizes stand in.
    const Shape shapes[] = {{41, 175, 6}, {45, 192, 4}, {50, 100, 5}, {60, 180, 4},
                            {70, 490, 3}, {80, 160, 3}, {80, 640, 2}, {55, 230, 2}};
    CnfGenerator generator(80, 640);
    TrailSearch engine(80, 640);
    RandomStream stream(12345);
    CnfFormula cnf;
    int satisfiable = 0;
    for (const Shape& shape : shapes) {
        for (int i = 0; i < shape.formulas; ++i) {
            ASSERT_TRUE(generator.generate(shape.vars, shape.clauses, stream, cnf));
            ReferenceSearch reference;
            const bool expected = reference.decide(cnf);
            const TrailSearch::Outcome outcome = engine.decide(cnf);
            ASSERT_EQ(outcome.satisfiable, expected) << shape.vars << "/" << shape.clauses;
            ASSERT_EQ(outcome.steps, reference.steps) << shape.vars << "/" << shape.clauses;
            if (expected) {
                ASSERT_TRUE(satisfies(cnf, engine.model()));
                ++satisfiable;
            }
        }
    }
    EXPECT_GT(satisfiable, 0);
}

TEST(TrailSearch, MatchesAPlainReferenceSearchOnClausesOfTwoToSevenLiterals) {
    // Uniform formulas near each k's threshold, then formulas whose clauses
    // have 1 to 7 literals mixed, so that every width of the search is used
    // and clauses shorter than it are filled up.
    struct Shape {
        std::int32_t k;  // 0: mixed
        std::int32_t vars;
        std::int32_t clauses;
    };
    const Shape shapes[] = {{2, 60, 60},  {3, 40, 170},  {4, 25, 248}, {5, 18, 378},
                            {6, 14, 602}, {7, 12, 1056}, {0, 30, 150}};
    TrailSearch engine(60, 1056);
    RandomStream stream(777);
    CnfFormula cnf;
    int verdicts[2] = {0, 0};
    for (const Shape& shape : shapes) {
        for (int i = 0; i < 6; ++i) {
            drawUniformFormula(shape.k == 0 ? kMaxCnfClauseWidth : shape.k, shape.vars,
                               shape.clauses, stream, cnf);
            if (shape.k == 0) {
                for (CnfClause& clause : cnf.clauses) {
                    clause.size = 1 + stream.below(kMaxCnfClauseWidth);
                }
            }
            ReferenceSearch reference;
            const bool expected = reference.decide(cnf);
            const TrailSearch::Outcome outcome = engine.decide(cnf);
            ASSERT_EQ(outcome.satisfiable, expected) << "k = " << shape.k << ", formula " << i;
            ASSERT_EQ(outcome.steps, reference.steps) << "k = " << shape.k << ", formula " << i;
            if (expected) {
                ASSERT_TRUE(satisfies(cnf, engine.model()));
            }
            ++verdicts[expected ? 1 : 0];
        }
    }
    // Near the thresholds both verdicts are common.
    EXPECT_GE(verdicts[0], 10);
    EXPECT_GE(verdicts[1], 10);
}

}  // namespace
