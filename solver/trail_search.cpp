#include "solver/trail_search.h"

#include <algorithm>
#include <cassert>
#include <cstddef>

namespace {

// How many steps pass between two looks at the stop flag.
constexpr std::uint64_t kStopCheckInterval = 1024;

}  // namespace

TrailSearch::TrailSearch(std::int32_t maxVars, std::int32_t maxClauses, std::int32_t maxWidth)
    : maxWidth_(std::max(maxWidth, kMinWidth)) {
    assert(maxWidth >= 1 && maxWidth <= kMaxClauseWidth);
    const auto vars = static_cast<std::size_t>(std::max(maxVars, 1));
    const auto clauses = static_cast<std::size_t>(std::max(maxClauses, 1));
    const auto width = static_cast<std::size_t>(maxWidth_);
    literals_.reserve(width * clauses);
    literalStates_.reserve(2 * vars + 2);
    occurrenceStart_.reserve(2 * vars + 1);
    occurrences_.reserve(width * clauses);
    next_.reserve(vars + 1);
    previous_.reserve(vars + 1);
    // Along one path each variable is taken from the front once, and each
    // clause is cut down to one literal at most once.
    orderTrail_.reserve(vars + clauses);
    model_.reserve(vars);
}

TrailSearch::Outcome TrailSearch::decide(const Formula& formula, const std::atomic<bool>* stop) {
    numVars_ = formula.numVars;
    const auto vars = static_cast<std::size_t>(numVars_);
    const Literal filler = makeLiteral(numVars_, false);
    const auto clauseCount = static_cast<std::int32_t>(formula.clauses.size());

    width_ = kMinWidth;
    for (const Clause& clause : formula.clauses) {
        width_ = std::max(width_, clause.size);
    }
    assert(width_ <= maxWidth_);
    literals_.resize(static_cast<std::size_t>(width_) * formula.clauses.size());
    occurrenceStart_.assign(2 * vars + 1, 0);
    for (std::int32_t c = 0; c < clauseCount; ++c) {
        const Clause& clause = formula.clauses[static_cast<std::size_t>(c)];
        Literal* const stored = literals_.data() + static_cast<std::ptrdiff_t>(c) * width_;
        for (std::int32_t k = 0; k < width_; ++k) {
            stored[k] = k < clause.size ? clause.lits[k] : filler;
        }
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
        const Clause& clause = formula.clauses[static_cast<std::size_t>(c)];
        for (std::int32_t k = 0; k < clause.size; ++k) {
            occurrences_[static_cast<std::size_t>(
                occurrenceStart_[static_cast<std::size_t>(clause.lits[k])]++)] = c;
        }
    }
    for (std::size_t l = 2 * vars; l > 0; --l) {
        occurrenceStart_[l] = occurrenceStart_[l - 1];
    }
    occurrenceStart_[0] = 0;

    literalStates_.assign(2 * vars + 2, 0);
    literalStates_[static_cast<std::size_t>(filler)] = kFalse;
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

    bool found = false;
    switch (width_) {
        case 3:
            found = branch<3>();
            break;
        case 4:
            found = branch<4>();
            break;
        case 5:
            found = branch<5>();
            break;
        case 6:
            found = branch<6>();
            break;
        default:
            static_assert(kMaxClauseWidth == 7, "a width without a search");
            found = branch<7>();
            break;
    }
    const bool satisfiable = found && !interrupted_;
    model_.resize(vars);
    for (std::size_t v = 0; v < vars; ++v) {
        model_[v] = satisfiable && literalStates_[2 * v] == kTrue ? 1 : 0;
    }
    return Outcome{satisfiable, steps_, interrupted_};
}

std::span<const std::int8_t> TrailSearch::model() const {
    return {model_.data(), model_.size()};
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

std::span<const std::int32_t> TrailSearch::occurrencesOf(Literal literal) const {
    const auto l = static_cast<std::size_t>(literal);
    return {occurrences_.data() + occurrenceStart_[l],
            occurrences_.data() + occurrenceStart_[l + 1]};
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

// Takes the first variable of the order and tries it true, then false.
template <std::int32_t Width>
bool TrailSearch::branch() {
    if (next_[static_cast<std::size_t>(numVars_)] == numVars_) {
        // Only a formula with variables outside the order runs out of them.
        return unsatisfiedCount_ == 0;
    }
    const std::int32_t variable = popFront();
    if (assign<Width>(makeLiteral(variable, false))) {
        return true;
    }
    if (interrupted_) {
        return false;
    }
    return assign<Width>(makeLiteral(variable, true));
}

// One counted step: makes `literal` true, then branches on what is left. The
// clauses that hold the opposite literal are visited in clause order, so that
// those cut down to one literal promote their variables in the order the
// copying search promotes them, and the first one emptied ends the step.
template <std::int32_t Width>
bool TrailSearch::assign(Literal literal) {
    ++steps_;
    if (steps_ % kStopCheckInterval == 0 && stop_ != nullptr &&
        stop_->load(std::memory_order_relaxed)) {
        interrupted_ = true;
        return false;
    }
    const std::size_t orderMark = orderTrail_.size();
    const Literal opposite = negationOf(literal);
    std::uint8_t* const states = literalStates_.data();
    const Literal* const literals = literals_.data();
    states[opposite] = kFalse;

    // Written with as few branches as can be: whether a clause is satisfied
    // is what no predictor guesses well. The loops over a clause's literals
    // have a fixed length and unroll.
    for (const std::int32_t c : occurrencesOf(opposite)) {
        const Literal* const clause = literals + static_cast<std::ptrdiff_t>(c) * Width;
        std::uint8_t held[Width];
        std::uint8_t any = 0;
        int falseCount = 0;
        for (std::int32_t k = 0; k < Width; ++k) {
            held[k] = states[clause[k]];
            any |= held[k];
            falseCount += held[k] >> 1U;
        }
        if ((any & kTrue) == 0 && falseCount >= Width - 1) {
            if (falseCount == Width) {
                states[opposite] = 0;
                restoreOrder(orderMark);
                return false;
            }
            Literal unit = clause[Width - 1];
            for (std::int32_t k = Width - 2; k >= 0; --k) {
                unit = held[k] == 0 ? clause[k] : unit;
            }
            moveToFront(variableOf(unit));
        }
    }
    std::int32_t satisfiedNow = 0;
    for (const std::int32_t c : occurrencesOf(literal)) {
        const Literal* const clause = literals + static_cast<std::ptrdiff_t>(c) * Width;
        std::uint8_t any = 0;
        for (std::int32_t k = 0; k < Width; ++k) {
            any |= states[clause[k]];
        }
        satisfiedNow += (any & kTrue) == 0 ? 1 : 0;
    }
    states[literal] = kTrue;
    unsatisfiedCount_ -= satisfiedNow;
    if (unsatisfiedCount_ == 0) {
        return true;  // the values found stay in place as the model
    }
    if (branch<Width>()) {
        return true;
    }
    unsatisfiedCount_ += satisfiedNow;
    states[literal] = 0;
    states[opposite] = 0;
    restoreOrder(orderMark);
    return false;
}
