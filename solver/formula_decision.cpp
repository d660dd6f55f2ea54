#include "solver/formula_decision.h"

#include <algorithm>
#include <cassert>

namespace satphase {

Verdict decideFormula(const Formula& formula, SolverKind kind,
                      const LocalSearchSettings& localSearch, std::uint64_t seed) {
    assert(!unavailability(kind));
    Verdict verdict;
    if (std::any_of(formula.clauses.begin(), formula.clauses.end(),
                    [](const Clause& clause) { return clause.size == 0; })) {
        return verdict;  // no value satisfies an empty clause
    }
    if (formula.numVars == 0) {
        verdict.satisfiable = true;  // no variables, so no clauses either
        return verdict;
    }
    const SolverKind only[] = {kind};
    FormulaDecider decider(formula.numVars, static_cast<std::int32_t>(formula.clauses.size()), only,
                           localSearch);
    const SolverResult result = decider.decide(kind, formula, nullptr, seed);
    verdict.satisfiable = result.satisfiable;
    verdict.decided = result.decided;
    verdict.steps = result.cost;
    verdict.propagations = result.propagations;
    verdict.lookaheads = result.lookaheads;
    if (result.satisfiable) {
        verdict.model.assign(decider.model(kind).begin(), decider.model(kind).end());
    }
    return verdict;
}

}  // namespace satphase
