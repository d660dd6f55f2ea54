#include "classic/diagnostics/variable_coverage.h"

#include "classic/formula/formula.h"
#include "classic/random/formula_generator.h"

namespace {

// Index of the first clause that holds the variable with either sign; -1 if none.
std::int32_t firstClauseHolding(const Formula& formula, std::int32_t variable) {
    for (std::int32_t c = 0; c <= formula.lastClause; ++c) {
        if (formula.clauses[c].findVariable(Literal(variable, 0)) != -1) {
            return c;
        }
    }
    return -1;
}

}  // namespace

void printVariableCoverage(const Formula& formula, std::ostream& out) {
    out << "Checking for existing of all variables:\n";
    for (std::int32_t v = 0; v < formula.numVars; ++v) {
        const std::int32_t clause = firstClauseHolding(formula, v);
        if (clause != -1) {
            out << "Var " << v << " in cl # " << clause << "\n";
        }
    }
    out << "\n";
}

int checkVariableCoverage(std::int32_t numVars, std::int32_t numClauses, std::int32_t repetitions,
                          std::ostream& out) {
    if (canGenerate(numVars, numClauses) == 0) {
        return 0;
    }
    for (std::int32_t r = 0; r < repetitions; ++r) {
        const Formula formula = generateFormula(numVars, numClauses);
        if (formula.lastClause == -1) {
            return 0;
        }
        formula.print(out);
        printVariableCoverage(formula, out);
    }
    return 1;
}
