#include "solver/cdcl.h"

#include <algorithm>
#include <cadical.hpp>
#include <cassert>

#include "solver/learned_clause_counter.h"
#include "solver/stop_terminator.h"

namespace satphase {

namespace {

constexpr int kSatisfiable = 10;
constexpr int kUnsatisfiable = 20;

}  // namespace

void setCdclOptions(CaDiCaL::Solver& solver) {
    [[maybe_unused]] bool known = solver.set("quiet", 1);  // it would otherwise print
    // Stable mode throughout: fewer conflicts on random formulas near the
    // threshold, satisfiable or not, and less time per formula.
    known = solver.set("stabilizeonly", 1) && known;
    // Every conflict analysed: the learned clauses are the conflicts.
    known = solver.set("chrono", 0) && known;
    // No subsumption of the newest learned clauses by each new one: on these
    // formulas it rarely finds one and costs a tenth of the time.
    known = solver.set("eagersubsume", 0) && known;
    assert(known);
}

void addFormula(CaDiCaL::Solver& solver, const Formula& formula) {
    if (formula.numVars > 0) {
        solver.reserve(formula.numVars);
    }
    // DIMACS numbering: variable v is v + 1, negated by its sign.
    for (const Clause& clause : formula.clauses) {
        for (std::int32_t k = 0; k < clause.size; ++k) {
            solver.add(clause.lits[k].dimacs());
        }
        solver.add(0);
    }
}

Cdcl::Cdcl(std::int32_t maxVars) {
    model_.reserve(static_cast<std::size_t>(std::max(maxVars, 1)));
}

Cdcl::Outcome Cdcl::decide(const Formula& formula, const std::atomic<bool>* stop) {
    assert(formula.numVars >= 0 && static_cast<std::size_t>(formula.numVars) <= model_.capacity());
    CaDiCaL::Solver solver;
    setCdclOptions(solver);
    LearnedClauseCounter learned;
    StopFlagTerminator terminator(stop);
    solver.connect_learner(&learned);
    solver.connect_terminator(&terminator);
    addFormula(solver, formula);
    const int status = solver.solve();
    solver.disconnect_terminator();
    solver.disconnect_learner();

    Outcome outcome;
    outcome.satisfiable = status == kSatisfiable;
    outcome.interrupted = status != kSatisfiable && status != kUnsatisfiable;
    outcome.conflicts = learned.count;
    model_.resize(static_cast<std::size_t>(formula.numVars));
    for (std::int32_t v = 0; v < formula.numVars; ++v) {
        model_[static_cast<std::size_t>(v)] = outcome.satisfiable && solver.val(v + 1) > 0 ? 1 : 0;
    }
    return outcome;
}

std::span<const std::int8_t> Cdcl::model() const {
    return {model_.data(), model_.size()};
}

}  // namespace satphase
