#include "random/uniform_generator.h"

#include <cassert>
#include <cstddef>

#include "random/formula_model.h"

namespace satphase {

void drawUniformClause(std::int32_t k, std::int32_t numVars, RandomStream& stream, Clause& out) {
    assert(k >= kMinClauseWidth && k <= kMaxClauseWidth && k <= numVars);
    out.size = 0;
    while (out.size < k) {
        std::int32_t variable = stream.below(numVars);
        for (std::int32_t held = 0; held < out.size;) {
            if (out.lits[held].variable().id == variable) {
                variable = stream.below(numVars);  // taken: draw again and recheck them all
                held = 0;
            } else {
                ++held;
            }
        }
        const bool negated = stream.below(2) == 1;
        out.lits[out.size++] = Literal(Variable{variable}, negated);
    }
}

void drawUniformFormula(std::int32_t k, std::int32_t numVars, std::int32_t numClauses,
                        RandomStream& stream, Formula& out) {
    out.numVars = numVars;
    out.clauses.resize(static_cast<std::size_t>(numClauses));
    for (Clause& clause : out.clauses) {
        drawUniformClause(k, numVars, stream, clause);
    }
}

// The width decision is kept in integers, so that every machine draws the
// same formulas from the same state.
// The size keeps the order (variables, clauses) of every generator, after
// the model's own parameter, as the callers name them.
// NOLINTNEXTLINE(bugprone-easily-swappable-parameters)
void drawMixedFormula(std::int32_t pMillionths, std::int32_t numVars, std::int32_t numClauses,
                      RandomStream& stream, Formula& out) {
    assert(pMillionths >= 0 && pMillionths <= kWholeFraction && numVars >= kMixedLongWidth);
    // The stream's states, 1 .. 2^31 - 2, and so the steps of u.
    constexpr std::int64_t kStates = RandomStream::kMaxState - RandomStream::kMinState + 1;
    out.numVars = numVars;
    out.clauses.resize(static_cast<std::size_t>(numClauses));
    for (Clause& clause : out.clauses) {
        const std::int64_t step = stream.below(kRngModulus) - RandomStream::kMinState;
        const bool isLong = step * kWholeFraction < std::int64_t{pMillionths} * kStates;
        drawUniformClause(isLong ? kMixedLongWidth : 2, numVars, stream, clause);
    }
}

}  // namespace satphase
