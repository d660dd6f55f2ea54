#include "classic/random/formula_generator.h"

#include <algorithm>

#include "classic/random/full_clause_index.h"
#include "classic/random/random_source.h"
#include "random/classic_model.h"

static_assert(kClauseWidth == satphase::kClassicClauseWidth);

// The classic model's rules, for the clauses this program's formulas can hold.
int canGenerate(std::int32_t numVars, std::int32_t numClauses) {
    const std::int32_t clauses = std::min(numClauses, kMaxClauses);
    return satphase::classicShapeProblem(numVars, clauses) == satphase::ClassicShapeProblem::None
               ? 1
               : 0;
}

// The model's first phase, into the classic Formula; addLiteral keeps each
// clause in the order of its variables.
Formula placeVariables(std::int32_t numVars, std::int32_t numClauses) {
    Formula formula(numClauses);
    formula.numVars = numVars;
    satphase::placeEachVariable(
        numVars, formula.lastClause + 1, randomBelow,
        [&formula](std::int32_t clause) { return formula.clauses[clause].isFull() == 0; },
        [&formula](std::int32_t clause, std::int32_t variable, bool negated) {
            formula.clauses[clause].addLiteral(variable, negated ? 1 : 0);
        });
    return formula;
}

namespace {

// `part` completed with random literals, as the model draws them.
Clause completed(Clause part, std::int32_t numVars) {
    satphase::completeClause(
        numVars, randomBelow, [&part] { return part.isFull() == 1; },
        [&part](std::int32_t variable, bool negated) {
            part.addLiteral(variable, negated ? 1 : 0);
        });
    return part;
}

// Whether `part`, clause `index` of the formula, has a completion that no
// other clause of the formula equals. The completions add 3 - k of the
// numVars - k other variables to the k literals of `part`, with either sign.
bool hasFreeCompletion(const Formula& formula, std::int32_t index, const Clause& part) {
    const std::int32_t k = part.last + 1;
    std::int64_t completions = 1;
    for (std::int32_t added = 0; added < kClauseWidth - k; ++added) {
        completions = completions * (formula.numVars - k - added) / (added + 1) * 2;
    }
    for (std::int32_t c = 0; c <= formula.lastClause; ++c) {
        const Clause& clause = formula.clauses[c];
        const bool extendsPart =
            c != index && clause.isFull() &&
            std::all_of(part.lits, part.lits + k, [&clause](const Literal& lit) {
                const std::int32_t at = clause.findVariable(lit);
                return at != -1 && clause.lits[at].negated == lit.negated;
            });
        completions -= extendsPart ? 1 : 0;
    }
    return completions > 0;
}

}  // namespace

Formula generateFormula(std::int32_t numVars, std::int32_t numClauses) {
    if (canGenerate(numVars, numClauses) == 0) {
        return {};
    }
    return fillClauses(numVars, placeVariables(numVars, numClauses));
}

Formula fillClauses(std::int32_t numVars, Formula formula) {
    // A full candidate can only equal a clause that is full itself.
    FullClauseIndex fullClauses(formula);
    for (std::int32_t j = 0; j <= formula.lastClause; ++j) {
        const Clause placed = formula.clauses[j];
        if (placed.isFull()) {
            continue;
        }
        Clause candidate = completed(placed, numVars);
        if (fullClauses.contains(candidate)) {
            if (!hasFreeCompletion(formula, j, placed)) {
                return {};
            }
            do {
                candidate = completed(placed, numVars);
            } while (fullClauses.contains(candidate));
        }
        formula.clauses[j] = candidate;
        fullClauses.add(candidate);
    }
    formula.sortClauses();
    return formula;
}
