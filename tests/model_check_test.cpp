// The check every satisfiable verdict passes before anything reports it.
#include "solver/model_check.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "test_support.h"

namespace satphase {

namespace {

TEST(ModelCheck, NamesTheFirstClauseTheValuesLeaveFalse) {
    const Formula formula = test_support::cnfOf(3, "(0, ~1); (1, 2); (~0, ~2)");
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
