// The random formula models: the clauses a start state fixes, what the
// hidden assignments satisfy, which requests are refused, and the classic
// model served up to its edges (the verdicts far from each model's
// threshold: sweep_test.cpp).
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <set>
#include <vector>

#include "random/classic_generator.h"
#include "random/formula_source.h"
#include "random/planted_generator.h"
#include "random/random_stream.h"
#include "random/uniform_generator.h"
#include "test_support.h"

namespace satphase {

namespace {

using ::testing::AllOf;
using ::testing::HasSubstr;
using ::testing::Not;

using test_support::dimacsClauses;
using Clauses = std::vector<std::vector<int>>;

TEST(FormulaModels, AStartStateFixesEveryClauseAndTheHiddenAssignmentAndRefusals) {
    // Worked out by hand from the documented order of the draws: another order
    // would rebuild other formulas from earlier sweeps' records. Over 4
    // variables two variables drawn are taken already and drawn again; the
    // 2-hidden formula rejects three clauses its assignment falsifies.
    FormulaSource source(10, 3);
    Formula formula;
    RandomStream uniform(64540);
    ASSERT_TRUE(source.draw({FormulaModel::Uniform, 3}, 4, 2, uniform, formula));
    EXPECT_TRUE(source.hidden().empty());
    EXPECT_EQ(dimacsClauses(formula), (Clauses{{-1, -3, 4}, {-2, -4, -3}}));
    RandomStream planted(64540);
    ASSERT_TRUE(source.draw({FormulaModel::TwoHidden, 2}, 10, 3, planted, formula));
    EXPECT_EQ(std::vector<std::int8_t>(source.hidden().begin(), source.hidden().end()),
              (std::vector<std::int8_t>{0, 1, 0, 1, 0, 1, 0, 1, 1, 1}));
    EXPECT_EQ(dimacsClauses(formula), (Clauses{{-4, -1}, {1, 6}, {7, -5}}));
    // Refusals: one line naming the values, or nothing for a request that can be
    // drawn (the classic model's, as generate prints them: command_line_test.cpp).
    using enum FormulaModel;
    const struct {
        FormulaModel model;
        std::int32_t k;
        std::int64_t vars, clauses;
        const char* what;  // "": accepted
    } cases[] = {
        {Classic, 3, 40, 180, ""},
        {Uniform, 2, 2, 5, ""},
        {TwoHidden, 7, 7, 100000, ""},
        {Uniform, 5, 4, 10,
         "4 variables and 10 clauses: uniform clauses of 5 literals need at least 5 distinct "
         "variables"},
        {Planted, 8, 20, 10,
         "20 variables and 10 clauses: planted clauses of 8 literals, but clauses have 2 to 7"},
        {Uniform, 1, 20, 10, "uniform clauses of 1 literal, but clauses have 2 to 7"},
        {TwoHidden, 1, 20, 10,
         "2-hidden clauses of 1 literal are all falsified by the hidden assignment or its "
         "complement, so drawing one would never end"},
        {Uniform, 3, 1001, 10, "at most 1000 variables are supported"},
        // Counts whose distinct clauses no 64-bit integer holds meet the size limits first.
        {Classic, 3, 3000000, 4000000000000, "at most 1000 variables are supported"},
        {Planted, 3, 10, 0, "a formula needs at least 1 clause"},
        {Uniform, 3, 10, 100001, "at most 100000 clauses are supported"},
        {Mixed, 3, 3, 100000, ""},
        {Mixed, 4, 20, 10,
         "20 variables and 10 clauses: mixed clauses of 4 literals, but the mixed model mixes "
         "clauses of 3 literals with clauses of 2"},
        {Mixed, 2, 20, 10, "mixed clauses of 2 literals, but the mixed model mixes"},
    };
    for (const auto& c : cases) {
        const std::optional<std::string> reason = modelRefusal({c.model, c.k}, c.vars, c.clauses);
        SCOPED_TRACE(std::string(modelName(c.model)) + " k=" + std::to_string(c.k) + " " +
                     std::to_string(c.vars) + "/" + std::to_string(c.clauses));
        EXPECT_EQ(reason.has_value(), *c.what != '\0');
        EXPECT_THAT(reason.value_or(""), AllOf(HasSubstr(c.what), Not(HasSubstr("\n"))));
    }
}

TEST(MixedModel, OneDrawPerClauseDecidesItsWidthAndPZeroAndOneAreThePureModels) {
    // From one state, p changes only which clauses are long: the first clauses
    // below are worked out from the documented draws (a width, then the
    // uniform clause's), so p = 0 and p = 0.3 share the first two, and p = 1
    // draws no two-literal clause. 10,000 clauses over 30 variables pin how
    // many are long.
    const struct {
        std::int32_t p;  // millionths
        Clauses first;
        std::int32_t long_;  // of 10,000
    } cases[] = {
        {0, {{8, 4}, {-9, -4}, {10, 4}, {6, 10}}, 0},
        {300000, {{8, 4}, {-9, -4}, {10, 4, -9}, {-6, 3}}, 2864},
        {kWholeFraction, {{8, 4, -9}, {-6, 10, 4}, {6, 10, 3}, {-4, -6, 5}}, 10000},
    };
    FormulaSource source(30, 10000, FormulaModel::Mixed);
    Formula formula;
    for (const auto& c : cases) {
        SCOPED_TRACE("p = " + fractionText(c.p));
        RandomStream stream(64540);
        ASSERT_TRUE(source.draw({FormulaModel::Mixed, 3, c.p}, 10, 4, stream, formula));
        EXPECT_EQ(dimacsClauses(formula), c.first);
        ASSERT_TRUE(source.draw({FormulaModel::Mixed, 3, c.p}, 30, 10000, stream, formula));
        std::int32_t long_ = 0;
        for (const Clause& clause : formula.clauses) {
            ASSERT_TRUE(clause.size == 2 || clause.size == 3);
            long_ += clause.size == 3 ? 1 : 0;
        }
        EXPECT_EQ(long_, c.long_);
    }
    // The ends of u: the state 1 after the first step (u = 0) is no long
    // clause at p = 0, the state 2^31 - 2 (u just below 1) is one at p = 1.
    for (const auto& [seed, p, width] :
         {std::tuple(1407677000, 0, 2), std::tuple(739806647, kWholeFraction, 3)}) {
        RandomStream stream(seed);
        ASSERT_TRUE(source.draw({FormulaModel::Mixed, 3, p}, 10, 1, stream, formula));
        EXPECT_EQ(formula.clauses[0].size, width) << "seed " << seed;
    }
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
            ASSERT_TRUE(source.draw({model, k}, 12, 3000, stream, formula));
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
                    agreeing += sigma[static_cast<std::size_t>(lit.variable().id)] ==
                                        (lit.negated() ? 0 : 1)
                                    ? 1
                                    : 0;
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

// Formulas close to holding every clause there is once made the draws fail
// part-way; every request the refusal lets through must now be served.
TEST(ClassicGenerator, ServesEveryRequestItAcceptsUpToTheExactEdges) {
    struct Size {
        std::int32_t vars, clauses, count;
    };
    const Size sizes[] = {{3, 8, 300},  {4, 32, 300}, {3, 3, 1000},
                          {4, 17, 301}, {30, 10, 50}, {1000, 334, 3}};
    for (const Size size : sizes) {
        SCOPED_TRACE(std::to_string(size.vars) + " variables, " + std::to_string(size.clauses) +
                     " clauses");
        ASSERT_FALSE(ClassicGenerator::refusal(size.vars, size.clauses));
        ClassicGenerator generator(size.vars, size.clauses);
        RandomStream stream(kRngInitialState);
        Formula formula;
        for (std::int32_t i = 0; i < size.count; ++i) {
            ASSERT_TRUE(generator.generate(size.vars, size.clauses, stream, formula));
            ASSERT_EQ(formula.clauses.size(), static_cast<std::size_t>(size.clauses));
            std::set<std::vector<Literal>> distinct;
            std::set<std::int32_t> variables;
            for (const Clause& clause : formula.clauses) {
                ASSERT_EQ(clause.size, 3);
                distinct.insert({clause.lits, clause.lits + 3});
                for (const Literal literal : clause.lits) {
                    variables.insert(literal.variable().id);
                }
            }
            EXPECT_EQ(distinct.size(), formula.clauses.size()) << "formula " << i;
            EXPECT_EQ(variables.size(), static_cast<std::size_t>(size.vars)) << "formula " << i;
        }
    }
    // One past each edge is refused.
    EXPECT_TRUE(ClassicGenerator::refusal(3, 9));
    EXPECT_TRUE(ClassicGenerator::refusal(31, 10));
    EXPECT_TRUE(ClassicGenerator::refusal(4, 33));
}

}  // namespace

}  // namespace satphase
