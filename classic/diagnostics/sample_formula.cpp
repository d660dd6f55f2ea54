#include "classic/diagnostics/sample_formula.h"

#include "classic/formula/literal.h"
#include "classic/formula/variable_order.h"
#include "classic/solver/search.h"

Formula makeSampleFormula() {
    Formula formula;
    for (std::int32_t i = 0; i < 3; ++i) {
        for (std::int32_t k = 0; k < 3; ++k) {
            const std::int32_t entry = sampleTable[3 * i + k];
            if (entry > 100) {
                continue;
            }
            formula.clauses[i].addLiteral(entry < 0 ? -entry : entry, entry < 0 ? 1 : 0);
        }
    }
    formula.lastClause = 2;
    formula.numVars = 4;
    return formula;
}

void solveSampleFormula(std::ostream& out) {
    const Formula formula = makeSampleFormula();
    formula.print(out);
    VariableOrder order(4);
    order.popFront();
    const Literal none;
    out << "\nSuch values can be assigned : ";
    if (search(formula, none, order) == 0) {
        out << "Not possible\n";
    }
}
