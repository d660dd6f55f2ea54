#pragma once

#include <cstdint>
#include <initializer_list>
#include <sstream>
#include <string>

#include "formula/clause.h"
#include "formula/formula.h"
#include "formula/literal.h"
#include "random/random_source.h"

namespace test_support {

// A literal as written in the tests: a variable and whether it is negated.
struct Lit {
    std::int32_t variable;
    bool negated;
};

inline Clause makeClause(std::initializer_list<Lit> lits) {
    Clause clause;
    for (const Lit& lit : lits) {
        clause.addLiteral(lit.variable, lit.negated ? 1 : 0);
    }
    return clause;
}

inline Formula makeFormula(std::int32_t numVars, std::initializer_list<Clause> clauses) {
    Formula formula(static_cast<std::int32_t>(clauses.size()));
    formula.numVars = numVars;
    std::int32_t i = 0;
    for (const Clause& clause : clauses) {
        formula.clauses[i++] = clause;
    }
    return formula;
}

// The clauses in the notation "(~0, 1, 2); (3, ~4, 5)": variables in clause
// order, ~ marking a negated literal.
inline std::string describe(const Formula& formula) {
    std::ostringstream text;
    for (std::int32_t c = 0; c <= formula.lastClause; ++c) {
        text << (c == 0 ? "(" : "; (");
        const Clause& clause = formula.clauses[c];
        for (std::int32_t k = 0; k <= clause.last; ++k) {
            text << (k == 0 ? "" : ", ") << (clause.lits[k].negated == 1 ? "~" : "")
                 << clause.lits[k].variable;
        }
        text << ")";
    }
    return text.str();
}

// The random state reached from `from` after `draws` steps; rngState is left as it was.
inline std::int32_t stateAfter(std::int32_t from, int draws) {
    const std::int32_t saved = rngState;
    rngState = from;
    for (int i = 0; i < draws; ++i) {
        randomBelow(1);
    }
    const std::int32_t reached = rngState;
    rngState = saved;
    return reached;
}

template <typename Printable>
std::string printed(const Printable& value) {
    std::ostringstream text;
    value.print(text);
    return text.str();
}

}  // namespace test_support
