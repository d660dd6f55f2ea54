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
#include "scratch.h"

namespace test_support {

using scratch::lines;

// The clauses written as describe() writes them, "(~0, 1, 2); (); (3)", ~
// marking a negated literal: (variable, negated) pairs in the order written.
inline std::vector<std::vector<std::pair<int, bool>>> clausesIn(std::string text) {
    std::replace_if(
        text.begin(), text.end(), [](char c) { return std::strchr("(),", c); }, ' ');
    std::vector<std::vector<std::pair<int, bool>>> clauses;
    std::istringstream in(text);
    for (std::string clause; std::getline(in, clause, ';');) {
        std::istringstream literals(clause);
        clauses.emplace_back();
        for (std::string lit; literals >> lit;) {
            clauses.back().emplace_back(std::stoi(lit.substr(lit[0] == '~')), lit[0] == '~');
        }
    }
    return clauses;
}

// The classic formula of that text, its clauses through Clause::addLiteral.
inline Formula formulaOf(std::int32_t numVars, const std::string& text) {
    Formula formula;
    formula.numVars = numVars;
    for (const auto& clause : clausesIn(text)) {
        Clause& added = formula.clauses[++formula.lastClause];
        for (const auto& [variable, negated] : clause) {
            added.addLiteral(variable, negated ? 1 : 0);
        }
    }
    return formula;
}

// The engines' formula of that text.
inline satphase::Formula cnfOf(std::int32_t numVars, const std::string& text) {
    satphase::Formula formula;
    formula.numVars = numVars;
    for (const auto& clause : clausesIn(text)) {
        satphase::Clause& added = formula.clauses.emplace_back();
        for (const auto& [variable, negated] : clause) {
            added.lits[added.size++] = satphase::Literal(satphase::Variable{variable}, negated);
        }
    }
    return formula;
}

// The clauses in DIMACS numbering: variable v as v + 1, negated as -(v + 1).
inline std::vector<std::vector<int>> dimacsClauses(const satphase::Formula& formula) {
    std::vector<std::vector<int>> clauses;
    for (const satphase::Clause& clause : formula.clauses) {
        std::vector<int>& numbers = clauses.emplace_back();
        for (std::int32_t k = 0; k < clause.size; ++k) {
            numbers.push_back(clause.lits[k].dimacs());
        }
    }
    return clauses;
}

// Every assignment of a small formula, variable v as bit v of a counter:
// how many satisfy it, and per variable the value all of those give it (-1
// where they differ; empty when none does), the clause check written apart
// from the solvers' own.
struct Enumerated {
    std::uint64_t solutions = 0;
    std::vector<std::int8_t> backbone;
};

inline Enumerated enumerated(const satphase::Formula& formula) {
    Enumerated result;
    std::vector<std::int8_t> model(static_cast<std::size_t>(formula.numVars));
    for (std::uint64_t bits = 0; bits < std::uint64_t{1} << formula.numVars; ++bits) {
        for (std::size_t v = 0; v < model.size(); ++v) {
            model[v] = static_cast<std::int8_t>((bits >> v) & 1U);
        }
        const bool holds = std::ranges::all_of(formula.clauses, [&](const satphase::Clause& c) {
            return std::any_of(c.lits, c.lits + c.size, [&](satphase::Literal literal) {
                return (model[static_cast<std::size_t>(literal.variable().id)] == 1) !=
                       literal.negated();
            });
        });
        if (holds && result.solutions++ == 0) {
            result.backbone = model;
        }
        for (std::size_t v = 0; holds && v < model.size(); ++v) {
            result.backbone[v] = result.backbone[v] == model[v] ? model[v] : std::int8_t{-1};
        }
    }
    return result;
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

// The length and an FNV-1a hash of `text`: pins a long output without a
// second copy of the code that writes it.
inline std::string fingerprint(const std::string& text) {
    std::uint64_t hash = 14695981039346656037ULL;
    for (const char c : text) {
        hash = (hash ^ static_cast<unsigned char>(c)) * 1099511628211ULL;
    }
    return std::to_string(text.size()) + " bytes, hash " + std::to_string(hash);
}

// Starts and leaves every test at the random stream's initial state.
class FromInitialState : public ::testing::Test {
  protected:
    void SetUp() override { rngState = kRngInitialState; }
    void TearDown() override { rngState = kRngInitialState; }
};

}  // namespace test_support
