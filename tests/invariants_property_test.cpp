// Drives Clause, Formula and VariableOrder through long seeded random
// sequences of their operations, refusals included, and after every
// operation compares each with a plain reference model and checks the
// invariants the types promise.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <numeric>
#include <random>
#include <vector>

#include "formula/clause.h"
#include "formula/formula.h"
#include "formula/literal.h"
#include "formula/variable_order.h"

namespace {

constexpr int kSeeds = 50;
constexpr int kOperationsPerSeed = 4000;

int pick(std::mt19937& random, int low, int high) {
    return std::uniform_int_distribution<int>(low, high)(random);
}

::testing::AssertionResult clauseKeepsItsShape(const Clause& clause) {
    if (clause.last < -1 || clause.last > 2) {
        return ::testing::AssertionFailure() << "last " << clause.last;
    }
    for (std::int32_t k = clause.last + 1; k < kClauseWidth; ++k) {
        if (!clause.lits[k].equals(Literal())) {
            return ::testing::AssertionFailure() << "filler " << k << " is not the empty literal";
        }
    }
    for (std::int32_t k = 1; k <= clause.last; ++k) {
        // Strictly ascending variables are also pairwise distinct.
        if (clause.lits[k - 1].variable >= clause.lits[k].variable) {
            return ::testing::AssertionFailure() << "variables not ascending at " << k;
        }
    }
    return ::testing::AssertionSuccess();
}

::testing::AssertionResult clauseMatches(const Clause& clause, const std::vector<Literal>& model) {
    if (clause.last + 1 != static_cast<std::int32_t>(model.size())) {
        return ::testing::AssertionFailure()
               << "size " << clause.last + 1 << " vs " << model.size();
    }
    for (std::size_t k = 0; k < model.size(); ++k) {
        if (!clause.lits[k].equals(model[k])) {
            return ::testing::AssertionFailure() << "literal " << k << " differs";
        }
    }
    return clauseKeepsItsShape(clause);
}

// Applies one random clause operation to the clause and, by its own rules, to the model.
void randomClauseOperation(std::mt19937& random, Clause& clause, std::vector<Literal>& model) {
    const auto holds = [&](std::int32_t variable) {
        return std::any_of(model.begin(), model.end(),
                           [&](const Literal& lit) { return lit.variable == variable; });
    };
    switch (pick(random, 0, 3)) {
        case 0: {
            const int variable = pick(random, 0, 7);
            const int negated = pick(random, 0, 1);
            const bool accepted = model.size() < 3 && !holds(variable);
            ASSERT_EQ(clause.addLiteral(variable, negated), accepted ? 1 : 0);
            if (accepted) {
                model.emplace_back(variable, negated);
                std::sort(model.begin(), model.end(), [](const Literal& a, const Literal& b) {
                    return a.variable < b.variable;
                });
            }
            break;
        }
        case 1: {
            const int index = pick(random, -1, 3);
            const bool accepted = index >= 0 && index < static_cast<int>(model.size());
            ASSERT_EQ(clause.removeLiteralAt(index), accepted ? 1 : 0);
            if (accepted) {
                model.erase(model.begin() + index);
            }
            break;
        }
        case 2: {
            const Literal lit(pick(random, 0, 7), pick(random, 0, 1));
            const auto found = std::find_if(model.begin(), model.end(),
                                            [&](const Literal& held) { return held.equals(lit); });
            ASSERT_EQ(clause.removeLiteral(lit), found != model.end() ? 1 : 0);
            if (found != model.end()) {
                model.erase(found);
            }
            break;
        }
        default: {
            const Literal probe(pick(random, 0, 7), pick(random, 0, 1));
            const auto found = std::find_if(model.begin(), model.end(), [&](const Literal& held) {
                return held.variable == probe.variable;
            });
            ASSERT_EQ(clause.findVariable(probe),
                      found == model.end() ? -1 : static_cast<int>(found - model.begin()));
            clause.sortLiterals();  // already sorted: must change nothing
            break;
        }
    }
}

TEST(InvariantsProperty, ClauseAgreesWithASortedVector) {
    for (int seed = 0; seed < kSeeds; ++seed) {
        std::mt19937 random(static_cast<unsigned>(seed));
        Clause clause;
        std::vector<Literal> model;
        for (int step = 0; step < kOperationsPerSeed; ++step) {
            randomClauseOperation(random, clause, model);
            ASSERT_FALSE(HasFatalFailure()) << "seed " << seed << ", step " << step;
            ASSERT_TRUE(clauseMatches(clause, model)) << "seed " << seed << ", step " << step;
        }
    }
}

// A random clause of up to three literals, built through addLiteral.
Clause randomClause(std::mt19937& random) {
    Clause clause;
    const int size = pick(random, 0, 3);
    while (clause.last + 1 < size) {
        clause.addLiteral(pick(random, 0, 5), pick(random, 0, 1));
    }
    return clause;
}

::testing::AssertionResult formulaMatches(const Formula& formula,
                                          const std::vector<Clause>& model) {
    if (formula.lastClause + 1 != static_cast<std::int32_t>(model.size())) {
        return ::testing::AssertionFailure() << "clause count differs";
    }
    for (std::int32_t c = 0; c < kMaxClauses; ++c) {
        const Clause& clause = formula.clauses[c];
        if (c <= formula.lastClause && !clause.equals(model[static_cast<std::size_t>(c)])) {
            return ::testing::AssertionFailure() << "clause " << c << " differs";
        }
        if (c > formula.lastClause && clause.last != -1) {
            return ::testing::AssertionFailure() << "filler clause " << c << " is not empty";
        }
        if (auto shape = clauseKeepsItsShape(clause); !shape) {
            return shape << " in clause " << c;
        }
    }
    return ::testing::AssertionSuccess();
}

TEST(InvariantsProperty, FormulaAgreesWithAVectorOfClauses) {
    for (int seed = 0; seed < kSeeds; ++seed) {
        std::mt19937 random(static_cast<unsigned>(1000 + seed));
        const int count = pick(random, 0, 330);
        Formula formula(count);
        std::vector<Clause> model(static_cast<std::size_t>(std::min(count, kMaxClauses)));
        for (int step = 0; step < kOperationsPerSeed; ++step) {
            const int operation = pick(random, 0, 9);
            if (operation < 5 && formula.lastClause >= 0) {
                // Rewrite one clause whole, as the generator does.
                const int index = pick(random, 0, formula.lastClause);
                formula.clauses[index] = randomClause(random);
                model[static_cast<std::size_t>(index)] = formula.clauses[index];
            } else if (operation < 9) {
                const int index = pick(random, -1, formula.lastClause + 2);
                const bool accepted = index >= 0 && index < static_cast<int>(model.size());
                ASSERT_EQ(formula.removeClause(index), accepted ? 1 : 0);
                if (accepted) {
                    model.erase(model.begin() + index);
                }
            } else {
                formula.sortClauses();
                std::stable_sort(model.begin(), model.end(), [](const Clause& a, const Clause& b) {
                    for (std::int32_t k = 0; k < kClauseWidth; ++k) {
                        if (a.lits[k].variable != b.lits[k].variable) {
                            return a.lits[k].variable < b.lits[k].variable;
                        }
                    }
                    return false;
                });
            }
            ASSERT_TRUE(formulaMatches(formula, model)) << "seed " << seed << ", step " << step;
        }
    }
}

::testing::AssertionResult orderMatches(const VariableOrder& order,
                                        const std::vector<std::int32_t>& model) {
    if (order.last < -1 || order.last >= kMaxVariables ||
        order.last + 1 != static_cast<std::int32_t>(model.size())) {
        return ::testing::AssertionFailure() << "last " << order.last;
    }
    for (std::int32_t i = 0; i < kMaxVariables; ++i) {
        const std::int32_t expected = i <= order.last ? model[static_cast<std::size_t>(i)] : -1;
        if (order.slots[i] != expected) {
            return ::testing::AssertionFailure() << "slot " << i << " holds " << order.slots[i];
        }
    }
    return ::testing::AssertionSuccess();
}

TEST(InvariantsProperty, VariableOrderAgreesWithAVector) {
    for (int seed = 0; seed < kSeeds; ++seed) {
        std::mt19937 random(static_cast<unsigned>(2000 + seed));
        const int count = pick(random, 0, 45);
        VariableOrder order(count);
        std::vector<std::int32_t> model(static_cast<std::size_t>(std::min(count, kMaxVariables)));
        std::iota(model.begin(), model.end(), 0);
        for (int step = 0; step < kOperationsPerSeed; ++step) {
            if (pick(random, 0, 4) == 0) {
                const std::int32_t expected = model.empty() ? -1 : model.front();
                ASSERT_EQ(order.popFront(), expected);
                if (!model.empty()) {
                    model.erase(model.begin());
                }
            } else {
                const int variable = pick(random, -2, 45);
                const auto found = std::find(model.begin(), model.end(), variable);
                ASSERT_EQ(order.moveToFront(variable), found != model.end() ? 1 : 0);
                if (found != model.end()) {
                    model.erase(found);
                    model.insert(model.begin(), variable);
                }
            }
            ASSERT_TRUE(orderMatches(order, model)) << "seed " << seed << ", step " << step;
        }
    }
}

}  // namespace
