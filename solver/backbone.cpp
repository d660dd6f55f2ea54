#include "solver/backbone.h"

#include <algorithm>
#include <cadical.hpp>

#include "solver/cdcl.h"
#include "solver/stop_terminator.h"

namespace satphase {

namespace {

constexpr int kSatisfiable = 10;
constexpr int kUnsatisfiable = 20;

// The literal that is true when `variable` takes `value` (1 or 0).
Literal trueLiteral(Variable variable, std::int8_t value) {
    return {variable, value == 0};
}

}  // namespace

BackboneFinder::BackboneFinder(std::int32_t maxVars, std::int32_t maxClauses) {
    values_.reserve(maxVars);
    model_.reserve(maxVars);
    occurrenceStart_.reserve(2 * static_cast<std::size_t>(maxVars) + 1);
    // trueCount_ also serves index() for each literal.
    trueCount_.reserve(
        std::max(static_cast<std::size_t>(maxClauses), 2 * static_cast<std::size_t>(maxVars)));
    occurrences_.reserve(static_cast<std::size_t>(maxClauses) * kMaxClauseWidth);
}

// A counting sort of the clauses by literal: each literal's count, the
// running sums as starts, then every clause placed.
void BackboneFinder::index(const Formula& formula) {
    occurrenceStart_.assign(2 * static_cast<std::size_t>(formula.numVars) + 1, 0);
    std::size_t total = 0;
    for (const Clause& clause : formula.clauses) {
        for (std::int32_t i = 0; i < clause.size; ++i) {
            ++occurrenceStart_[clause.lits[i].index() + 1];
        }
        total += static_cast<std::size_t>(clause.size);
    }
    for (std::size_t l = 1; l < occurrenceStart_.size(); ++l) {
        occurrenceStart_[l] += occurrenceStart_[l - 1];
    }
    occurrences_.resize(total);
    // trueCount_ serves as each literal's next free place while placing.
    trueCount_.assign(occurrenceStart_.begin(), occurrenceStart_.end() - 1);
    for (std::size_t c = 0; c < formula.clauses.size(); ++c) {
        const Clause& clause = formula.clauses[c];
        for (std::int32_t i = 0; i < clause.size; ++i) {
            const auto at = static_cast<std::size_t>(trueCount_[clause.lits[i].index()]++);
            occurrences_[at] = static_cast<std::int32_t>(c);
        }
    }
}

// Counts every clause's true literals under CaDiCaL's last model, then
// clears a candidate the model gives the other value, or whose true literal
// is never the only true one of a clause: flipping it alone leaves a model.
void BackboneFinder::filter(CaDiCaL::Solver& solver, const Formula& formula) {
    for (std::int32_t v = 0; v < formula.numVars; ++v) {
        model_[Variable{v}] = solver.val(v + 1) > 0 ? 1 : 0;
    }
    trueCount_.assign(formula.clauses.size(), 0);
    for (std::size_t c = 0; c < formula.clauses.size(); ++c) {
        const Clause& clause = formula.clauses[c];
        for (std::int32_t i = 0; i < clause.size; ++i) {
            const Literal literal = clause.lits[i];
            trueCount_[c] += model_[literal.variable()] == (literal.negated() ? 0 : 1) ? 1 : 0;
        }
        assert(trueCount_[c] > 0 && "CaDiCaL's model satisfies every clause");
    }
    for (std::int32_t v = 0; v < formula.numVars; ++v) {
        const Variable variable{v};
        if (values_[variable] < 0) {
            continue;
        }
        if (values_[variable] != model_[variable]) {
            values_[variable] = -1;
            continue;
        }
        bool flips = true;
        for (const std::int32_t c : occurrencesOf(trueLiteral(variable, model_[variable]))) {
            flips = flips && trueCount_[static_cast<std::size_t>(c)] > 1;
        }
        if (flips) {
            values_[variable] = -1;
        }
    }
}

BackboneFinder::Outcome BackboneFinder::find(const Formula& formula,
                                             const std::atomic<bool>* stop) {
    assert(formula.numVars >= 0 && formula.clauses.size() <= trueCount_.capacity());
    Outcome outcome;
    CaDiCaL::Solver solver;
    setCdclOptions(solver);
    StopFlagTerminator terminator(stop);
    solver.connect_terminator(&terminator);
    addFormula(solver, formula);
    index(formula);
    values_.assign(formula.numVars, -1);
    model_.assign(formula.numVars, 0);

    const auto solve = [&] {
        ++outcome.calls;
        const int status = solver.solve();
        outcome.interrupted = status != kSatisfiable && status != kUnsatisfiable;
        return status == kSatisfiable;
    };
    outcome.satisfiable = solve();
    if (outcome.interrupted || !outcome.satisfiable) {
        solver.disconnect_terminator();
        return outcome;
    }
    // Every variable is a candidate with its first value; the filter clears
    // at once those that occur in no clause, as they flip alone.
    for (std::int32_t v = 0; v < formula.numVars; ++v) {
        values_[Variable{v}] = static_cast<std::int8_t>(solver.val(v + 1) > 0 ? 1 : 0);
    }
    filter(solver, formula);
    // Candidates before `v` are settled: cleared, or in the backbone.
    for (std::int32_t v = 0; v < formula.numVars; ++v) {
        const Variable variable{v};
        if (values_[variable] < 0) {
            continue;
        }
        const Literal literal = trueLiteral(variable, values_[variable]);
        solver.assume((~literal).dimacs());
        if (solve()) {
            filter(solver, formula);
        } else if (outcome.interrupted) {
            break;
        } else {
            ++outcome.size;
        }
    }
    solver.disconnect_terminator();
    return outcome;
}

}  // namespace satphase
