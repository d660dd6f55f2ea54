#include "random/formula_generator.h"

#include "random/full_clause_index.h"
#include "random/random_source.h"

Formula generateFormula(std::int32_t numVars, std::int32_t numClauses) {
    return fillClauses(numVars, placeVariables(numVars, numClauses));
}

Formula placeVariables(std::int32_t numVars, std::int32_t numClauses) {
    Formula formula(numClauses);
    formula.numVars = numVars;
    const std::int32_t clauseCount = formula.lastClause + 1;
    for (std::int32_t variable = 0; variable < numVars; ++variable) {
        std::int32_t target = randomBelow(clauseCount);
        while (formula.clauses[target].isFull()) {
            target = randomBelow(clauseCount);
        }
        formula.clauses[target].addLiteral(variable, randomBelow(2));
    }
    return formula;
}

namespace {

// Adds random literals until the clause is full. A drawn variable that the
// clause already holds is refused, and both of its draws are spent.
void completeRandomly(std::int32_t numVars, Clause& clause) {
    while (!clause.isFull()) {
        const std::int32_t negated = randomBelow(2);
        const std::int32_t variable = randomBelow(numVars);
        clause.addLiteral(variable, negated);
    }
}

}  // namespace

Formula fillClauses(std::int32_t numVars, Formula formula) {
    // A full candidate can only equal a clause that is full itself.
    FullClauseIndex fullClauses(formula);
    for (std::int32_t j = 0; j <= formula.lastClause; ++j) {
        const Clause placed = formula.clauses[j];
        if (placed.isFull()) {
            continue;
        }
        Clause candidate = placed;
        completeRandomly(numVars, candidate);
        while (fullClauses.containsEqual(formula, candidate)) {
            candidate = placed;
            completeRandomly(numVars, candidate);
        }
        formula.clauses[j] = candidate;
        fullClauses.add(formula, j);
    }
    formula.sortClauses();
    return formula;
}
