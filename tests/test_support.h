#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <fstream>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

// What nearly every test uses.
#include "classic/formula/formula.h"
#include "classic/formula/variable_order.h"
#include "classic/random/formula_generator.h"
#include "classic/random/random_source.h"
#include "classic/solver/search.h"
#include "formula/formula.h"

namespace test_support {

// The formula written as describe() writes it, "(~0, 1, 2); (); (3)", ~
// marking a negated literal; its clauses through Clause::addLiteral.
inline Formula formulaOf(std::int32_t numVars, std::string text) {
    std::replace_if(
        text.begin(), text.end(), [](char c) { return std::strchr("(),", c); }, ' ');
    Formula formula;
    formula.numVars = numVars;
    std::istringstream clauses(text);
    for (std::string clause; std::getline(clauses, clause, ';');) {
        Clause& added = formula.clauses[++formula.lastClause];
        std::istringstream literals(clause);
        for (std::string lit; literals >> lit;) {
            const bool negated = lit[0] == '~';
            added.addLiteral(std::stoi(lit.substr(negated ? 1 : 0)), negated ? 1 : 0);
        }
    }
    return formula;
}

// The same text as the engines' formula, "(~0, 1); (2)", its literals in
// the order written.
inline satphase::Formula cnfOf(std::int32_t numVars, std::string text) {
    std::replace_if(
        text.begin(), text.end(), [](char c) { return std::strchr("(),", c); }, ' ');
    satphase::Formula formula;
    formula.numVars = numVars;
    std::istringstream clauses(text);
    for (std::string clause; std::getline(clauses, clause, ';');) {
        satphase::Clause& added = formula.clauses.emplace_back();
        std::istringstream literals(clause);
        for (std::string lit; literals >> lit;) {
            added.lits[added.size++] = satphase::Literal(
                satphase::Variable{std::stoi(lit.substr(lit[0] == '~'))}, lit[0] == '~');
        }
    }
    return formula;
}

// The clauses as "(~0, 1, 2); (3, ~4, 5)", ~ marking a negated literal.
inline std::string describe(const Formula& formula) {
    std::ostringstream text;
    for (std::int32_t c = 0; c <= formula.lastClause; ++c) {
        const Clause& clause = formula.clauses[c];
        text << (c == 0 ? "(" : "; (");
        for (std::int32_t k = 0; k <= clause.last; ++k) {
            text << (k == 0 ? "" : ", ") << (clause.lits[k].negated == 1 ? "~" : "")
                 << clause.lits[k].variable;
        }
        text << ")";
    }
    return text.str();
}

// The random state `draws` steps after `from`; rngState is left as it was.
inline std::int32_t stateAfter(std::int32_t from, int draws) {
    const std::int32_t saved = std::exchange(rngState, from);
    for (int i = 0; i < draws; ++i) {
        randomBelow(1);
    }
    return std::exchange(rngState, saved);
}

template <typename Printable>
std::string printed(const Printable& value) {
    std::ostringstream text;
    value.print(text);
    return text.str();
}

inline std::vector<std::string> lines(const std::string& text) {
    std::vector<std::string> result;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) {
        result.push_back(line);
    }
    return result;
}

// The length and an FNV-1a hash of `text`: pins a long output without a
// second copy of the code that writes it.
inline std::string fingerprint(const std::string& text) {
    std::uint64_t hash = 14695981039346656037ULL;
    for (const char c : text) {
        hash = (hash ^ static_cast<unsigned char>(c)) * 1099511628211ULL;
    }
    return std::to_string(text.size()) + " bytes, hash " + std::to_string(hash);
}

inline std::string expectedReport() {
    std::ifstream file(SATPHASE_EXPECTED_REPORT, std::ios::binary);
    std::ostringstream text;
    text << file.rdbuf();
    return text.str();
}

// Starts and leaves every test at the random stream's initial state.
class FromInitialState : public ::testing::Test {
  protected:
    void SetUp() override { rngState = kRngInitialState; }
    void TearDown() override { rngState = kRngInitialState; }
};

}  // namespace test_support
