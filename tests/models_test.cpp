// The random formula models: how the uniform clauses spread, what the
// hidden assignments satisfy, and which requests are refused (the verdicts
// far from each model's threshold: sweep_test.cpp).
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <vector>

#include "random/formula_source.h"
#include "random/planted_generator.h"
#include "random/uniform_generator.h"
#include "solver/trail_search.h"

namespace satphase {

namespace {

// Literals in DIMACS numbering, clause after clause.
std::vector<int> dimacsOf(const Formula& formula) {
    std::vector<int> numbers;
    for (const Clause& clause : formula.clauses) {
        for (std::int32_t k = 0; k < clause.size; ++k) {
            numbers.push_back(clause.lits[k].dimacs());
        }
    }
    return numbers;
}

TEST(UniformModel, ClausesSpreadEvenlyOverTheVariablesAndBothSigns) {
    // 10,000 clauses over 20 variables for each k. The variable counts are
    // held against chi-square with 19 degrees of freedom at significance
    // 0.001 (critical value 43.82), the negated literals against a binomial
    // count within four standard deviations of half.
    constexpr std::int32_t kVars = 20;
    constexpr std::int32_t kClauses = 10000;
    constexpr double kCritical = 43.82;
    RandomStream stream(20261207);
    Formula formula;
    for (const std::int32_t k : {2, 3, 7}) {
        drawUniformFormula(k, kVars, kClauses, stream, formula);
        ASSERT_EQ(formula.clauses.size(), std::size_t{kClauses});
        std::vector<double> counts(kVars);
        double negated = 0;
        for (const Clause& clause : formula.clauses) {
            ASSERT_EQ(clause.size, k);
            for (std::int32_t i = 0; i < k; ++i) {
                const std::int32_t variable = clause.lits[i].variable().id;
                ASSERT_TRUE(variable >= 0 && variable < kVars);
                for (std::int32_t j = 0; j < i; ++j) {
                    ASSERT_NE(clause.lits[j].variable().id, variable) << "k = " << k;
                }
                ++counts[static_cast<std::size_t>(variable)];
                negated += clause.lits[i].negated() ? 1 : 0;
            }
        }
        const double literals = double{kClauses} * k;
        const double expected = literals / kVars;
        double chiSquare = 0;
        for (const double count : counts) {
            chiSquare += (count - expected) * (count - expected) / expected;
        }
        EXPECT_LT(chiSquare, kCritical) << "k = " << k;
        EXPECT_LT(std::abs(negated - literals / 2), 2 * std::sqrt(literals)) << "k = " << k;
    }
}

TEST(FormulaModels, AStartStateFixesEveryClauseAndTheHiddenAssignment) {
    // Worked out by hand from the documented order of the draws and written
    // down: a change of that order would make the records of earlier sweeps
    // rebuild other formulas. Over 4 variables two of the variables drawn
    // are taken already and drawn again; the 2-hidden formula rejects three
    // clauses that the hidden assignment falsifies before its third.
    FormulaSource source(10, 3);
    Formula formula;
    RandomStream uniform(64540);
    ASSERT_TRUE(source.draw(FormulaModel::Uniform, 3, 4, 2, uniform, formula));
    EXPECT_TRUE(source.hidden().empty());
    EXPECT_EQ(dimacsOf(formula), (std::vector<int>{-1, -3, 4, -2, -4, -3}));
    RandomStream planted(64540);
    ASSERT_TRUE(source.draw(FormulaModel::TwoHidden, 2, 10, 3, planted, formula));
    EXPECT_EQ(std::vector<std::int8_t>(source.hidden().begin(), source.hidden().end()),
              (std::vector<std::int8_t>{0, 1, 0, 1, 0, 1, 0, 1, 1, 1}));
    EXPECT_EQ(dimacsOf(formula), (std::vector<int>{-4, -1, 1, 6, 7, -5}));
}

TEST(PlantedModels, TheHiddenAssignmentsSatisfyEveryClauseAndOnlyPlantingFavoursThem) {
    // Planting leaves out one sign pattern in 2^k, so a literal agrees with
    // the hidden assignment in 2^(k-1) / (2^k - 1) of cases (4/7 for k = 3);
    // 2-hidden leaves out a pattern and its mirror image, so exactly half.
    FormulaSource source(12, 3000);
    Formula formula;
    RandomStream stream(4242);
    for (const FormulaModel model : {FormulaModel::Planted, FormulaModel::TwoHidden}) {
        for (std::int32_t k = kMinClauseWidth; k <= kMaxClauseWidth; ++k) {
            ASSERT_TRUE(source.draw(model, k, 12, 3000, stream, formula));
            const std::span<const std::int8_t> sigma = source.hidden();
            ASSERT_EQ(sigma.size(), 12U);
            std::vector<std::int8_t> complement(sigma.begin(), sigma.end());
            for (std::int8_t& value : complement) {
                value = static_cast<std::int8_t>(1 - value);
            }
            double agreeing = 0;
            bool complementFalsifiesOne = false;
            for (const Clause& clause : formula.clauses) {
                ASSERT_EQ(clause.size, k);
                ASSERT_FALSE(falsifies(sigma, clause)) << modelName(model) << " k = " << k;
                complementFalsifiesOne = complementFalsifiesOne || falsifies(complement, clause);
                for (std::int32_t i = 0; i < k; ++i) {
                    const Literal lit = clause.lits[i];
                    agreeing += sigma[lit.variable().index()] == (lit.negated() ? 0 : 1) ? 1 : 0;
                }
            }
            const double literals = 3000.0 * k;
            const double expected = model == FormulaModel::TwoHidden
                                        ? 0.5
                                        : std::ldexp(1.0, k - 1) / (std::ldexp(1.0, k) - 1);
            EXPECT_LT(std::abs(agreeing / literals - expected), 2 / std::sqrt(literals))
                << modelName(model) << " k = " << k;
            EXPECT_EQ(complementFalsifiesOne, model == FormulaModel::Planted)
                << modelName(model) << " k = " << k;
        }
    }
}

TEST(FormulaModels, RefusesWhatCannotBeDrawnWithOneLineNamingTheValues) {
    struct Case {
        FormulaModel model;
        std::int64_t k, vars, clauses;
        const char* what;  // nullptr: accepted
    };
    const Case cases[] = {
        {FormulaModel::Classic, 3, 40, 180, nullptr},
        {FormulaModel::Uniform, 2, 2, 5, nullptr},
        {FormulaModel::TwoHidden, 7, 7, 100000, nullptr},
        {FormulaModel::Classic, 4, 40, 180,
         "40 variables and 180 clauses: classic clauses of 4 literals, but the classic model's "
         "clauses have 3 literals"},
        {FormulaModel::Classic, 3, 2, 5,
         "2 variables and 5 clauses: a clause needs three distinct variables"},
        {FormulaModel::Uniform, 5, 4, 10,
         "4 variables and 10 clauses: uniform clauses of 5 literals need at least 5 distinct "
         "variables"},
        {FormulaModel::Planted, 8, 20, 10,
         "20 variables and 10 clauses: planted clauses of 8 literals, but clauses have 2 to 7"},
        {FormulaModel::Uniform, 1, 20, 10, "uniform clauses of 1 literal, but clauses have 2 to 7"},
        {FormulaModel::TwoHidden, 1, 20, 10,
         "2-hidden clauses of 1 literal are all falsified by the hidden assignment or its "
         "complement, so drawing one would never end"},
        {FormulaModel::Uniform, 3, 1001, 10, "at most 1000 variables are supported"},
        {FormulaModel::Planted, 3, 10, 0, "a formula needs at least 1 clause"},
        {FormulaModel::Uniform, 3, 10, 100001, "at most 100000 clauses are supported"},
    };
    for (const Case& c : cases) {
        const std::optional<std::string> reason = modelRefusal(c.model, c.k, c.vars, c.clauses);
        const std::string request = std::string(modelName(c.model)) + " k=" + std::to_string(c.k) +
                                    " " + std::to_string(c.vars) + "/" + std::to_string(c.clauses);
        if (c.what == nullptr) {
            EXPECT_FALSE(reason.has_value()) << request << ": " << reason.value_or("");
            continue;
        }
        ASSERT_TRUE(reason.has_value()) << request;
        EXPECT_NE(reason->find(c.what), std::string::npos) << request << " gave: " << *reason;
        EXPECT_EQ(reason->find('\n'), std::string::npos) << request;
    }
}

// The satisfiable fraction of `formulas` uniform formulas.
double satisfiableFraction(std::int32_t k, std::int32_t vars, std::int32_t clauses, int formulas,
                           std::int32_t seed) {
    FormulaSource source(vars, clauses);
    TrailSearch search(vars, clauses, k);
    Formula formula;
    RandomStream stream(seed);
    int satisfiable = 0;
    for (int i = 0; i < formulas; ++i) {
        EXPECT_TRUE(source.draw(FormulaModel::Uniform, k, vars, clauses, stream, formula));
        satisfiable += search.decide(formula).satisfiable ? 1 : 0;
    }
    return static_cast<double>(satisfiable) / formulas;
}

TEST(UniformModel, SatisfiabilityFallsAcrossTheKnownThresholds) {
    // 2-SAT's threshold is ratio 1, with a window of about n^(-1/3) around
    // it: at 200 variables ratio 0.5 is well below, 2 well above. Uniform
    // 3-SAT's threshold is 4.267, where at 50 variables the satisfiable
    // fraction crosses one half between ratios 4.0 and 4.6; with 200 formulas
    // a fraction's standard error is at most 0.035.
    EXPECT_GE(satisfiableFraction(2, 200, 100, 40, 7), 0.95);
    EXPECT_LE(satisfiableFraction(2, 200, 400, 40, 7), 0.05);
    EXPECT_GT(satisfiableFraction(3, 50, 200, 200, 11), 0.6);
    EXPECT_LT(satisfiableFraction(3, 50, 230, 200, 11), 0.4);
}

}  // namespace

}  // namespace satphase
