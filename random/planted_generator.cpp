#include "random/planted_generator.h"

#include <cassert>
#include <cstddef>

#include "random/uniform_generator.h"

namespace satphase {

namespace {

// Whether `assignment` makes every literal of `clause` true, which is when
// the complement of the assignment makes every one false.
bool satisfiesEveryLiteral(std::span<const std::int8_t> assignment, const Clause& clause) {
    for (std::int32_t k = 0; k < clause.size; ++k) {
        const Literal literal = clause.lits[k];
        if (assignment[literal.variable().index()] == (literal.negated() ? 1 : 0)) {
            return false;
        }
    }
    return true;
}

}  // namespace

void drawHiddenAssignment(std::int32_t numVars, RandomStream& stream,
                          std::span<std::int8_t> hidden) {
    assert(static_cast<std::size_t>(numVars) <= hidden.size());
    for (std::int32_t v = 0; v < numVars; ++v) {
        hidden[static_cast<std::size_t>(v)] = stream.below(2) == 1 ? 1 : 0;
    }
}

bool falsifies(std::span<const std::int8_t> assignment, const Clause& clause) {
    for (std::int32_t k = 0; k < clause.size; ++k) {
        const Literal literal = clause.lits[k];
        if (assignment[literal.variable().index()] == (literal.negated() ? 0 : 1)) {
            return false;
        }
    }
    return true;
}

void drawPlantedFormula(Hiding hiding, std::int32_t k, std::int32_t numVars,
                        std::int32_t numClauses, std::span<const std::int8_t> hidden,
                        RandomStream& stream, Formula& out) {
    assert(static_cast<std::size_t>(numVars) <= hidden.size());
    out.numVars = numVars;
    out.clauses.resize(static_cast<std::size_t>(numClauses));
    for (Clause& clause : out.clauses) {
        do {
            drawUniformClause(k, numVars, stream, clause);
        } while (falsifies(hidden, clause) ||
                 (hiding == Hiding::Both && satisfiesEveryLiteral(hidden, clause)));
    }
}

}  // namespace satphase
