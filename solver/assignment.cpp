#include "solver/assignment.h"

std::int16_t stepCounter = 0;

namespace {

// Adds one step, wrapping around like the 16-bit register it models.
void countStep() {
    stepCounter = static_cast<std::int16_t>(static_cast<std::uint16_t>(stepCounter) + 1U);
}

}  // namespace

Formula assignLiteral(Formula formula, Literal literal, VariableOrder& order, int& contradiction) {
    countStep();
    std::int32_t i = 0;
    while (i <= formula.lastClause) {
        Clause& clause = formula.clauses[i];
        const std::int32_t j = clause.findVariable(literal);
        if (j == -1) {
            ++i;
            continue;
        }
        const bool satisfied = clause.lits[j].negated == literal.negated;
        if (satisfied) {
            formula.removeClause(i);  // the next clause moves up into position i
        } else {
            clause.removeLiteralAt(j);
        }
        if (formula.lastClause == -1 || formula.lastClause < i) {
            return formula;
        }
        if (formula.clauses[i].last == -1) {
            contradiction = 1;
            return formula;
        }
        if (!satisfied) {
            if (clause.last == 0) {
                order.moveToFront(clause.lits[0].variable);
            }
            ++i;
        }
    }
    return formula;
}
