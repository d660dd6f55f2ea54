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
    remaining_.reserve(clauses);
    satisfied_.reserve(clauses);
    occurrenceStart_.reserve(2 * vars + 1);
    occurrences_.reserve(kCnfClauseWidth * clauses);
    values_.reserve(vars);
    next_.reserve(vars + 1);
    previous_.reserve(vars + 1);
    // Along one path a clause is satisfied at most once and shortened at most
    // three times, and each variable is taken from the front once; each
    // promotion follows a shortening.
    trail_.reserve(4 * clauses);
    orderTrail_.reserve(vars + kCnfClauseWidth * clauses);
}

TrailSearch::Outcome TrailSearch::decide(const CnfFormula& formula, const std::atomic<bool>* stop) {
    numVars_ = formula.numVars;
    const auto vars = static_cast<std::size_t>(numVars_);
    clauses_.assign(formula.clauses.begin(), formula.clauses.end());
    const auto clauseCount = static_cast<std::int32_t>(clauses_.size());

    remaining_.resize(clauses_.size());
    satisfied_.assign(clauses_.size(), 0);
    occurrenceStart_.assign(2 * vars + 1, 0);
    for (std::int32_t c = 0; c < clauseCount; ++c) {
        const CnfClause& clause = clauses_[static_cast<std::size_t>(c)];
        remaining_[static_cast<std::size_t>(c)] = clause.size;
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
    trail_.clear();
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

void TrailSearch::undoTo(std::size_t trailMark, std::size_t orderMark) {
    while (trail_.size() > trailMark) {
        const std::int32_t entry = trail_.back();
        trail_.pop_back();
        if ((entry & kSatisfiedTag) != 0) {
            satisfied_[static_cast<std::size_t>(entry & ~kSatisfiedTag)] = 0;
            ++unsatisfiedCount_;
        } else {
            ++remaining_[static_cast<std::size_t>(entry)];
        }
    }
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
    const std::size_t trailMark = trail_.size();
    const std::size_t orderMark = orderTrail_.size();
    const auto variable = static_cast<std::size_t>(variableOf(literal));
    values_[variable] = isNegated(literal) ? 0 : 1;

    const CnfLiteral opposite = negationOf(literal);
    const std::int32_t* const cutEnd =
        occurrences_.data() + occurrenceStart_[static_cast<std::size_t>(opposite) + 1];
    for (const std::int32_t* c =
             occurrences_.data() + occurrenceStart_[static_cast<std::size_t>(opposite)];
         c != cutEnd; ++c) {
        const auto clause = static_cast<std::size_t>(*c);
        if (satisfied_[clause] != 0) {
            continue;
        }
        trail_.push_back(*c);
        const std::int32_t left = --remaining_[clause];
        if (left == 0) {
            undoTo(trailMark, orderMark);
            values_[variable] = -1;
            return false;
        }
        if (left == 1) {
            const CnfClause& cut = clauses_[clause];
            for (std::int32_t k = 0; k < cut.size; ++k) {
                const std::int32_t other = variableOf(cut.lits[k]);
                if (values_[static_cast<std::size_t>(other)] == -1) {
                    moveToFront(other);
                    break;
                }
            }
        }
    }

    const std::int32_t* const satisfiedEnd =
        occurrences_.data() + occurrenceStart_[static_cast<std::size_t>(literal) + 1];
    for (const std::int32_t* c =
             occurrences_.data() + occurrenceStart_[static_cast<std::size_t>(literal)];
         c != satisfiedEnd; ++c) {
        const auto clause = static_cast<std::size_t>(*c);
        if (satisfied_[clause] == 0) {
            satisfied_[clause] = 1;
            --unsatisfiedCount_;
            trail_.push_back(*c | kSatisfiedTag);
        }
    }
    if (unsatisfiedCount_ == 0) {
        return true;  // the values found stay in place as the model
    }
    if (branch()) {
        return true;
    }
    undoTo(trailMark, orderMark);
    values_[variable] = -1;
    return false;
}
