#include "solver/solver_kind.h"

#include <algorithm>
#include <cassert>
#include <charconv>
#include <cmath>

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
        if (result.interrupted || !result.decided) {
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

std::optional<std::string> localSearchProblem(const LocalSearchSettings& settings) {
    const auto shortestText = [](double value) {
        char text[32];
        return std::string(text, std::to_chars(text, text + sizeof text, value).ptr);
    };
    const auto positive = [](double value) { return std::isfinite(value) && value > 0; };
    if (!positive(settings.probsat.cb) || !positive(settings.probsat.eps)) {
        return "probSAT's cb and eps must be above 0, not " + shortestText(settings.probsat.cb) +
               " and " + shortestText(settings.probsat.eps);
    }
    if (!(settings.noise >= 0 && settings.noise <= 1)) {
        return "WalkSAT's noise must lie in 0 .. 1, not " + shortestText(settings.noise);
    }
    return std::nullopt;
}

// probSAT and WalkSAT never search at once on one thread, and each loads
// its formula afresh, so one state serves both and halves what a sweep of
// both holds per thread.
FlipState& FormulaDecider::flipState(std::int32_t maxVars, std::int32_t maxClauses) {
    if (!flipState_) {
        flipState_.emplace(maxVars, maxClauses);
    }
    return *flipState_;
}

FormulaDecider::FormulaDecider(std::int32_t maxVars, std::int32_t maxClauses,
                               std::span<const SolverKind> kinds,
                               const LocalSearchSettings& localSearch)
    : maxFlips_(localSearch.maxFlips) {
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
            case SolverKind::Probsat:
                probsat_.emplace(flipState(maxVars, maxClauses), localSearch.probsat);
                break;
            case SolverKind::Walksat:
                walksat_.emplace(flipState(maxVars, maxClauses), localSearch.noise);
                break;
        }
    }
}

SolverResult FormulaDecider::decide(SolverKind kind, const Formula& formula,
                                    const std::atomic<bool>* stop, std::uint64_t seed) {
    assert(!unavailability(kind));
    assert((kind != SolverKind::Splitting || splitting_) && (kind != SolverKind::Dpll || dpll_) &&
           (kind != SolverKind::Lookahead || lookahead_) &&
           (kind != SolverKind::Probsat || probsat_) && (kind != SolverKind::Walksat || walksat_));
    const std::uint64_t maxFlips = maxFlips_ != 0 ? maxFlips_ : defaultMaxFlips(formula.numVars);
    // A local search's answer: satisfiable when it found a model, else unknown.
    const auto searched = [](SolverResult& result, const LocalSearchOutcome& outcome) {
        result.satisfiable = outcome.solved;
        result.decided = outcome.solved;
        result.interrupted = outcome.interrupted;
        result.cost = outcome.flips;
    };
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
        case SolverKind::Probsat:
            searched(result, probsat_->solve(formula, seed, maxFlips, stop));
            break;
        case SolverKind::Walksat:
            searched(result, walksat_->solve(formula, seed, maxFlips, stop));
            break;
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
        case SolverKind::Probsat:
            return probsat_ ? probsat_->model() : std::span<const std::int8_t>();
        case SolverKind::Walksat:
            return walksat_ ? walksat_->model() : std::span<const std::int8_t>();
    }
    return {};
}

}  // namespace satphase
