#include "solver/solver_kind.h"

#include <algorithm>
#include <cassert>

#include "solver/model_check.h"

namespace satphase {

std::string solverChoices() {
    std::string choices;
    for (std::size_t i = 0; i < kSolverCount; ++i) {
        choices.append(i == 0                  ? ""
                       : i + 1 == kSolverCount ? " or "
                                               : ", ")
            .append(kSolverTraits[i].name);
    }
    return choices;
}

std::optional<SolverKind> parseSolver(std::string_view name) {
    for (const SolverKind kind : kAllSolvers) {
        if (solverName(kind) == name) {
            return kind;
        }
    }
    return std::nullopt;
}

std::optional<std::string> unavailability(SolverKind kind) {
    if (traitsOf(kind).available) {
        return std::nullopt;
    }
    // CaDiCaL is the one optional part of a build.
    assert(kind == SolverKind::Cdcl);
    return "cdcl is not available in this build (it was built without CaDiCaL)";
}

std::optional<std::string> disagreement(std::span<const SolverResult> results) {
    const SolverResult* first = nullptr;
    for (const SolverResult& result : results) {
        if (result.interrupted) {
            continue;
        }
        if (result.satisfiable && !result.modelHolds) {
            return std::string(solverName(result.kind))
                .append(" says satisfiable, but its model falsifies a clause");
        }
        if (first == nullptr) {
            first = &result;
        } else if (result.satisfiable != first->satisfiable) {
            const auto verdict = [](const SolverResult& r) {
                return std::string(solverName(r.kind))
                    .append(r.satisfiable ? " says satisfiable" : " says unsatisfiable");
            };
            return verdict(*first).append(", ").append(verdict(result));
        }
    }
    return std::nullopt;
}

FormulaDecider::FormulaDecider(std::int32_t maxVars, std::int32_t maxClauses,
                               std::span<const SolverKind> kinds) {
    for (const SolverKind kind : kinds) {
        assert(!unavailability(kind));
        switch (kind) {
            case SolverKind::Splitting:
                // As wide as any clause a formula may hold, whatever its model.
                splitting_.emplace(maxVars, maxClauses, kMaxClauseWidth);
                break;
            case SolverKind::Dpll:
                dpll_.emplace(maxVars, maxClauses);
                break;
            case SolverKind::Cdcl:
#ifdef SATPHASE_HAVE_CADICAL
                cdcl_.emplace(maxVars);
#endif
                break;
            case SolverKind::Lookahead:
                lookahead_.emplace(maxVars, maxClauses);
                break;
        }
    }
}

SolverResult FormulaDecider::decide(SolverKind kind, const Formula& formula,
                                    const std::atomic<bool>* stop) {
    assert(!unavailability(kind));
    assert((kind != SolverKind::Splitting || splitting_) && (kind != SolverKind::Dpll || dpll_) &&
           (kind != SolverKind::Lookahead || lookahead_));
    SolverResult result;
    result.kind = kind;
    switch (kind) {
        case SolverKind::Splitting: {
            const TrailSearch::Outcome outcome = splitting_->decide(formula, stop);
            result.satisfiable = outcome.satisfiable;
            result.interrupted = outcome.interrupted;
            result.cost = outcome.steps;
            break;
        }
        case SolverKind::Dpll: {
            const Dpll::Outcome outcome = dpll_->decide(formula, stop);
            result.satisfiable = outcome.satisfiable;
            result.interrupted = outcome.interrupted;
            result.cost = outcome.branches;
            result.propagations = outcome.propagations;
            break;
        }
        case SolverKind::Cdcl: {
#ifdef SATPHASE_HAVE_CADICAL
            const Cdcl::Outcome outcome = cdcl_->decide(formula, stop);
            result.satisfiable = outcome.satisfiable;
            result.interrupted = outcome.interrupted;
            result.cost = outcome.conflicts;
#endif
            break;
        }
        case SolverKind::Lookahead: {
            const Lookahead::Outcome outcome = lookahead_->decide(formula, stop);
            result.satisfiable = outcome.satisfiable;
            result.interrupted = outcome.interrupted;
            result.cost = outcome.nodes;
            result.lookaheads = outcome.lookaheads;
            break;
        }
    }
    if (result.satisfiable && !result.interrupted) {
        result.modelHolds = satisfies(formula, model(kind));
    }
    return result;
}

std::span<const std::int8_t> FormulaDecider::model(SolverKind kind) const {
    switch (kind) {
        case SolverKind::Splitting:
            return splitting_ ? splitting_->model() : std::span<const std::int8_t>();
        case SolverKind::Dpll:
            return dpll_ ? dpll_->model() : std::span<const std::int8_t>();
        case SolverKind::Cdcl:
#ifdef SATPHASE_HAVE_CADICAL
            return cdcl_ ? cdcl_->model() : std::span<const std::int8_t>();
#else
            break;
#endif
        case SolverKind::Lookahead:
            return lookahead_ ? lookahead_->model() : std::span<const std::int8_t>();
    }
    return {};
}

}  // namespace satphase
