#include <numeric>
#include <random>

#include "test_support.h"

using test_support::describe;
using test_support::formulaOf;
using test_support::printed;

namespace {

TEST(ClauseTest, EqualityComparesLengthVariablesAndSigns) {
    const Formula f = formulaOf(4, "(1, 2, 3); (3, 1, 2); (1, 2, ~3); (1, 2); ()");
    EXPECT_TRUE(f.clauses[0].equals(f.clauses[1]));
    EXPECT_FALSE(f.clauses[0].equals(f.clauses[2]));
    EXPECT_FALSE(f.clauses[0].equals(f.clauses[3]));
    EXPECT_TRUE(f.clauses[4].equals(Clause()));
}

TEST(PrintTest, EveryTypePrintsItsFixedLayout) {
    const Formula f = formulaOf(4, "(1, 3); (1, ~2)");
    EXPECT_EQ(printed(f),
              "Clauses : 2\nVariables : 4\nClauses per variable : 0.5\n--------\n"
              "clause # 0 :  1 3\nclause # 1 :  1-2\n--------\n");
    EXPECT_EQ(printed(Formula()),
              "Clauses : 0\nVariables : 0\nClauses per variable : n/a\n--------\n--------\n");
    EXPECT_EQ(printed(Clause()), "empty\n");
    EXPECT_EQ(printed(Literal()), "NN");
    std::ostringstream streamed;  // differs from print() on the empty literal
    streamed << Literal() << f.clauses[1] << Clause();
    EXPECT_EQ(streamed.str(), "-N 1-2\n\n");
    VariableOrder order(4);
    order.moveToFront(2);
    EXPECT_EQ(printed(order), "List of variables: 2 0 1 3 \n");
    EXPECT_EQ(printed(VariableOrder(0)), "List of variables: empty\n");
}

TEST(FormulaTest, SortOrdersByVariablesOnlyAndIsStable) {
    Formula formula = formulaOf(10, "(2, ~5, 9); (~1, 7); (~2, 5); (1, ~7); ()");
    formula.sortClauses();
    EXPECT_EQ(describe(formula), "(); (~1, 7); (1, ~7); (~2, 5); (2, ~5, 9)");
}

// Clause, Formula and VariableOrder driven through long seeded random
// sequences of their operations, refusals included, and compared after every
// operation with a plain model, filler slots included.
constexpr int kSeeds = 50;
constexpr int kOperationsPerSeed = 4000;
using Literals = std::vector<Literal>;

int pick(std::mt19937& random, int low, int high) {
    return std::uniform_int_distribution<int>(low, high)(random);
}

bool byVariable(const Literal& a, const Literal& b) {
    return a.variable < b.variable;
}

// The model's literals, then the empty literal in every slot beyond them.
bool clauseMatches(const Clause& clause, const Literals& model) {
    for (std::int32_t k = 0; k < kClauseWidth; ++k) {
        const Literal expected = k < std::ssize(model) ? model[std::size_t(k)] : Literal();
        if (clause.lits[k].equals(expected) == 0) {
            return false;
        }
    }
    return clause.last + 1 == std::ssize(model);
}

TEST(PropertyTest, ClauseAgreesWithASortedVector) {
    for (int seed = 0; seed < kSeeds; ++seed) {
        std::mt19937 random(static_cast<unsigned>(seed));
        Clause clause;
        Literals model;
        for (int step = 0; step < kOperationsPerSeed; ++step) {
            const Literal lit(pick(random, 0, 7), pick(random, 0, 1));
            const auto held = std::find_if(model.begin(), model.end(), [&](const Literal& l) {
                return l.variable == lit.variable;
            });
            const auto index = pick(random, -1, 3);
            bool accepted = false;
            switch (pick(random, 0, 3)) {
                case 0:
                    accepted = model.size() < 3 && held == model.end();
                    ASSERT_EQ(clause.addLiteral(lit.variable, lit.negated), accepted ? 1 : 0);
                    if (accepted) {
                        model.insert(std::upper_bound(model.begin(), model.end(), lit, byVariable),
                                     lit);
                    }
                    break;
                case 1:
                    accepted = index >= 0 && index < std::ssize(model);
                    ASSERT_EQ(clause.removeLiteralAt(index), accepted ? 1 : 0);
                    if (accepted) {
                        model.erase(model.begin() + index);
                    }
                    break;
                case 2:
                    accepted = held != model.end() && held->equals(lit) == 1;
                    ASSERT_EQ(clause.removeLiteral(lit), accepted ? 1 : 0);
                    if (accepted) {
                        model.erase(held);
                    }
                    break;
                default:
                    ASSERT_EQ(clause.findVariable(lit),
                              held == model.end() ? -1 : held - model.begin());
                    clause.sortLiterals();  // already sorted: must change nothing
            }
            ASSERT_TRUE(clauseMatches(clause, model)) << "seed " << seed << ", step " << step;
        }
    }
}

TEST(PropertyTest, FormulaAgreesWithAVectorOfClauses) {
    for (int seed = 0; seed < kSeeds; ++seed) {
        std::mt19937 random(static_cast<unsigned>(1000 + seed));
        const int count = pick(random, 0, 330);
        Formula formula(count);
        std::vector<Literals> model(static_cast<std::size_t>(std::min(count, kMaxClauses)));
        for (int step = 0; step < kOperationsPerSeed; ++step) {
            const int operation = pick(random, 0, 9);
            const int index = pick(random, -1, formula.lastClause + 2);
            const bool inUse = index >= 0 && index < std::ssize(model);
            if (operation < 5 && inUse) {
                Clause& clause = formula.clauses[index] = Clause();  // rewritten whole
                for (int size = pick(random, 0, 3); clause.last + 1 < size;) {
                    clause.addLiteral(pick(random, 0, 5), pick(random, 0, 1));
                }
                model[static_cast<std::size_t>(index)] =
                    Literals(clause.lits, clause.lits + clause.last + 1);
            } else if (operation < 9) {
                ASSERT_EQ(formula.removeClause(index), inUse ? 1 : 0);
                if (inUse) {
                    model.erase(model.begin() + index);
                }
            } else {
                formula.sortClauses();  // a shorter clause orders before its extensions
                std::stable_sort(model.begin(), model.end(), [](const auto& a, const auto& b) {
                    return std::ranges::lexicographical_compare(a, b, byVariable);
                });
            }
            ASSERT_EQ(formula.lastClause + 1, std::ssize(model));
            for (std::int32_t c = 0; c < kMaxClauses; ++c) {
                const Literals none;
                ASSERT_TRUE(clauseMatches(formula.clauses[c],
                                          c < std::ssize(model) ? model[std::size_t(c)] : none))
                    << "seed " << seed << ", step " << step << ", clause " << c;
            }
        }
    }
}

TEST(PropertyTest, VariableOrderAgreesWithAVector) {
    for (int seed = 0; seed < kSeeds; ++seed) {
        std::mt19937 random(static_cast<unsigned>(2000 + seed));
        const int count = pick(random, 0, 45);
        VariableOrder order(count);
        std::vector<std::int32_t> model(static_cast<std::size_t>(std::min(count, kMaxVariables)));
        std::iota(model.begin(), model.end(), 0);
        for (int step = 0; step < kOperationsPerSeed; ++step) {
            const int variable = pick(random, -2, 45);
            const auto found = std::find(model.begin(), model.end(), variable);
            if (pick(random, 0, 4) == 0) {
                ASSERT_EQ(order.popFront(), model.empty() ? -1 : model.front());
                model.erase(model.begin(), model.begin() + (model.empty() ? 0 : 1));
            } else {
                ASSERT_EQ(order.moveToFront(variable), found != model.end() ? 1 : 0);
                if (found != model.end()) {
                    model.erase(found);
                    model.insert(model.begin(), variable);
                }
            }
            std::vector<std::int32_t> slots = model;
            slots.resize(kMaxVariables, -1);
            ASSERT_TRUE(order.last + 1 == std::ssize(model) &&
                        std::equal(slots.begin(), slots.end(), order.slots))
                << "seed " << seed << ", step " << step;
        }
    }
}

}  // namespace
