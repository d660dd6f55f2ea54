#include "solver/formula_decision.h"

#include <algorithm>
#include <cassert>

#include "solver/trail_search.h"

namespace satphase {

Verdict decideFormula(const Formula& formula) {
    Verdict verdict;
    for (const Clause& clause : formula.clauses) {
        if (clause.size == 0) {
            return verdict;  // no value satisfies an empty clause
        }
    }
    if (formula.numVars == 0) {
        verdict.satisfiable = true;  // no variables, so no clauses either
        return verdict;
    }
    TrailSearch search(formula.numVars, static_cast<std::int32_t>(formula.clauses.size()));
    const TrailSearch::Outcome outcome = search.decide(formula);
    verdict.satisfiable = outcome.satisfiable;
    verdict.steps = outcome.steps;
    if (outcome.satisfiable) {
        verdict.model.assign(search.model().begin(), search.model().end());
    }
    return verdict;
}

Verdict decideFormulaWith(SolverKind kind, const Formula& formula) {
    assert(!unavailability(kind));
    const bool nothingToSearch =
        formula.numVars == 0 || std::any_of(formula.clauses.begin(), formula.clauses.end(),
                                            [](const Clause& clause) { return clause.size == 0; });
    if (kind == SolverKind::Splitting || nothingToSearch) {
        return decideFormula(formula);
    }
    const SolverKind only[] = {kind};
    FormulaDecider decider(formula.numVars, static_cast<std::int32_t>(formula.clauses.size()),
                           only);
    const SolverResult result = decider.decide(kind, formula);
    Verdict verdict;
    verdict.satisfiable = result.satisfiable;
    verdict.steps = result.cost;
    verdict.propagations = result.propagations;
    verdict.lookaheads = result.lookaheads;
    if (result.satisfiable) {
        verdict.model.assign(decider.model(kind).begin(), decider.model(kind).end());
    }
    return verdict;
}

std::optional<std::size_t> firstFalseClause(const Formula& formula,
                                            std::span<const std::int8_t> values) {
    for (std::size_t c = 0; c < formula.clauses.size(); ++c) {
        const Clause& clause = formula.clauses[c];
        bool satisfied = false;
        for (std::int32_t k = 0; k < clause.size; ++k) {
            const std::size_t variable = clause.lits[k].variable().index();
            satisfied = satisfied || (variable < values.size() &&
                                      values[variable] == (clause.lits[k].negated() ? 0 : 1));
        }
        if (!satisfied) {
            return c;
        }
    }
    return std::nullopt;
}

}  // namespace satphase
