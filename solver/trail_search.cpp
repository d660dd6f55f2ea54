#include "solver/trail_search.h"

#include <algorithm>

namespace {

// How many steps pass between two looks at the stop flag.
constexpr std::uint64_t kStopCheckInterval = 1024;

}  // namespace

TrailSearch::TrailSearch(std::int32_t maxVars, std::int32_t maxClauses) {
    const auto vars = static_cast<std::size_t>(std::max(maxVars, 1));
    const auto clauses = static_cast<std::size_t>(std::max(maxClauses, 1));
    clauses_.reserve(clauses);
    states_.reserve(clauses);
    occurrenceStart_.reserve(2 * vars + 1);
    occurrences_.reserve(kCnfClauseWidth * clauses);
    values_.reserve(vars);
    next_.reserve(vars + 1);
    previous_.reserve(vars + 1);
    // Along one path each variable is taken from the front once, and each
    // clause is cut down to one literal at most once.
    orderTrail_.reserve(vars + clauses);
}

TrailSearch::Outcome TrailSearch::decide(const CnfFormula& formula, const std::atomic<bool>* stop) {
    numVars_ = formula.numVars;
    const auto vars = static_cast<std::size_t>(numVars_);
    clauses_.assign(formula.clauses.begin(), formula.clauses.end());
    const auto clauseCount = static_cast<std::int32_t>(clauses_.size());

    states_.resize(clauses_.size());
    occurrenceStart_.assign(2 * vars + 1, 0);
    for (std::int32_t c = 0; c < clauseCount; ++c) {
        const CnfClause& clause = clauses_[static_cast<std::size_t>(c)];
        states_[static_cast<std::size_t>(c)] = ClauseState{-1, clause.size};
        for (std::int32_t k = 0; k < clause.size; ++k) {
            ++occurrenceStart_[static_cast<std::size_t>(clause.lits[k]) + 1];
        }
    }
    for (std::size_t l = 1; l <= 2 * vars; ++l) {
        occurrenceStart_[l] += occurrenceStart_[l - 1];
    }
    occurrences_.resize(static_cast<std::size_t>(occurrenceStart_[2 * vars]));
    // Filled in clause order, so every list is in clause order; the starts
    // are restored afterwards from the ends they were advanced to.
    for (std::int32_t c = 0; c < clauseCount; ++c) {
        const CnfClause& clause = clauses_[static_cast<std::size_t>(c)];
        for (std::int32_t k = 0; k < clause.size; ++k) {
            occurrences_[static_cast<std::size_t>(
                occurrenceStart_[static_cast<std::size_t>(clause.lits[k])]++)] = c;
        }
    }
    for (std::size_t l = 2 * vars; l > 0; --l) {
        occurrenceStart_[l] = occurrenceStart_[l - 1];
    }
    occurrenceStart_[0] = 0;

    values_.assign(vars, -1);
    next_.resize(vars + 1);
    previous_.resize(vars + 1);
    for (std::int32_t v = 0; v <= numVars_; ++v) {
        next_[static_cast<std::size_t>(v)] = v == numVars_ ? 0 : v + 1;
        previous_[static_cast<std::size_t>(v)] = v == 0 ? numVars_ : v - 1;
    }
    if (numVars_ == 0) {
        next_[0] = 0;
        previous_[0] = 0;
    }
    orderTrail_.clear();
    unsatisfiedCount_ = clauseCount;
    steps_ = 0;
    stop_ = stop;
    interrupted_ = false;

    const bool satisfiable = branch() && !interrupted_;
    if (satisfiable) {
        std::replace(values_.begin(), values_.end(), std::int8_t{-1}, std::int8_t{0});
    }
    return Outcome{satisfiable, steps_, interrupted_};
}

std::span<const std::int8_t> TrailSearch::model() const {
    return {values_.data(), values_.size()};
}

void TrailSearch::unlink(std::int32_t variable) {
    const auto v = static_cast<std::size_t>(variable);
    next_[static_cast<std::size_t>(previous_[v])] = next_[v];
    previous_[static_cast<std::size_t>(next_[v])] = previous_[v];
}

void TrailSearch::insertAfter(std::int32_t anchor, std::int32_t variable) {
    const auto a = static_cast<std::size_t>(anchor);
    const auto v = static_cast<std::size_t>(variable);
    next_[v] = next_[a];
    previous_[v] = anchor;
    previous_[static_cast<std::size_t>(next_[a])] = variable;
    next_[a] = variable;
}

std::int32_t TrailSearch::popFront() {
    const std::int32_t front = next_[static_cast<std::size_t>(numVars_)];
    unlink(front);
    orderTrail_.emplace_back(front, -1);
    return front;
}

void TrailSearch::moveToFront(std::int32_t variable) {
    const std::int32_t before = previous_[static_cast<std::size_t>(variable)];
    if (before == numVars_) {
        return;  // already first
    }
    unlink(variable);
    insertAfter(numVars_, variable);
    orderTrail_.emplace_back(variable, before);
}

std::span<const std::int32_t> TrailSearch::occurrencesOf(CnfLiteral literal) const {
    const auto l = static_cast<std::size_t>(literal);
    return {occurrences_.data() + occurrenceStart_[l], occurrences_.data() + occurrenceStart_[l + 1]};
}

void TrailSearch::restoreOrder(std::size_t orderMark) {
    while (orderTrail_.size() > orderMark) {
        const auto [variable, before] = orderTrail_.back();
        orderTrail_.pop_back();
        if (before == -1) {
            insertAfter(numVars_, variable);  // it was taken from the front
        } else {
            unlink(variable);  // it stands first; put it back behind its old predecessor
            insertAfter(before, variable);
        }
    }
}

// Every change below this assignment has been taken back already, so each
// clause is satisfied or not exactly as it was when this assignment visited
// it: the visits can simply be repeated.
void TrailSearch::unassign(CnfLiteral literal, const std::int32_t* cutEnd) {
    const std::int32_t variable = variableOf(literal);
    for (const std::int32_t c : occurrencesOf(literal)) {
        ClauseState& state = states_[static_cast<std::size_t>(c)];
        if (state.satisfiedBy == variable) {
            state.satisfiedBy = -1;
            ++unsatisfiedCount_;
        }
    }
    for (const std::int32_t* c = occurrencesOf(negationOf(literal)).data(); c != cutEnd; ++c) {
        ClauseState& state = states_[static_cast<std::size_t>(*c)];
        if (state.satisfiedBy == -1) {
            ++state.unassigned;
        }
    }
    values_[static_cast<std::size_t>(variable)] = -1;
}

// Takes the first variable of the order and tries it true, then false.
bool TrailSearch::branch() {
    if (next_[static_cast<std::size_t>(numVars_)] == numVars_) {
        // Only a formula with variables outside the order runs out of them.
        return unsatisfiedCount_ == 0;
    }
    const std::int32_t variable = popFront();
    if (assign(makeCnfLiteral(variable, false))) {
        return true;
    }
    if (interrupted_) {
        return false;
    }
    return assign(makeCnfLiteral(variable, true));
}

// One counted step: makes `literal` true, then branches on what is left. The
// clauses that lose the opposite literal are visited in clause order, so that
// those cut down to one literal promote their variables in the order the
// copying search promotes them, and the first one emptied ends the step.
bool TrailSearch::assign(CnfLiteral literal) {
    ++steps_;
    if (steps_ % kStopCheckInterval == 0 && stop_ != nullptr &&
        stop_->load(std::memory_order_relaxed)) {
        interrupted_ = true;
        return false;
    }
    const std::size_t orderMark = orderTrail_.size();
    const std::int32_t variable = variableOf(literal);
    values_[static_cast<std::size_t>(variable)] = isNegated(literal) ? 0 : 1;

    const std::span<const std::int32_t> cut = occurrencesOf(negationOf(literal));
    for (const std::int32_t* c = cut.data(); c != cut.data() + cut.size(); ++c) {
        ClauseState& state = states_[static_cast<std::size_t>(*c)];
        if (state.satisfiedBy != -1) {
            continue;
        }
        const std::int32_t left = --state.unassigned;
        if (left == 0) {
            unassign(literal, c + 1);
            restoreOrder(orderMark);
            return false;
        }
        if (left == 1) {
            const CnfClause& clause = clauses_[static_cast<std::size_t>(*c)];
            for (std::int32_t k = 0; k < clause.size; ++k) {
                const std::int32_t other = variableOf(clause.lits[k]);
                if (values_[static_cast<std::size_t>(other)] == -1) {
                    moveToFront(other);
                    break;
                }
            }
        }
    }
    for (const std::int32_t c : occurrencesOf(literal)) {
        ClauseState& state = states_[static_cast<std::size_t>(c)];
        if (state.satisfiedBy == -1) {
            state.satisfiedBy = variable;
            --unsatisfiedCount_;
        }
    }
    if (unsatisfiedCount_ == 0) {
        return true;  // the values found stay in place as the model
    }
    if (branch()) {
        return true;
    }
    unassign(literal, cut.data() + cut.size());
    restoreOrder(orderMark);
    return false;
}
