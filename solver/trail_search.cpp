#include "solver/trail_search.h"

#include <algorithm>
#include <cassert>
#include <cstddef>

namespace satphase {

namespace {

// How many steps pass between two looks at the stop flag.
constexpr std::uint64_t kStopCheckInterval = 1024;

}  // namespace

// Every buffer is sized here for the largest formula, so that decide()
// only refills them. Along one path of the search each clause is cut down
// to one literal at most once, so at most maxClauses variables are moved to
// the front of the order.
TrailSearch::TrailSearch(std::int32_t maxVars, std::int32_t maxClauses, std::int32_t maxWidth)
    : maxVars_(std::max(maxVars, 1)),
      maxClauses_(std::max(maxClauses, 1)),
      maxWidth_(std::max(maxWidth, kMinWidth)),
      occurrences_(maxVars_, std::int64_t{maxWidth_} * maxClauses_),
      order_(maxVars_, maxClauses_) {
    assert(maxVars >= 0 && maxClauses >= 0 && maxWidth >= 1 && maxWidth <= kMaxClauseWidth);
    literals_.reserve(static_cast<std::size_t>(maxWidth_) * static_cast<std::size_t>(maxClauses_));
    literalStates_.reserve(maxVars_ + 1);  // the filler's variable too
    model_.reserve(static_cast<std::size_t>(maxVars_));
}

// Lays the formula out for the search (every clause at the width of the
// longest, the occurrence lists, all literals open but the filler, every
// variable in the order) and runs the search compiled for that width.
TrailSearch::Outcome TrailSearch::decide(const Formula& formula, const std::atomic<bool>* stop) {
    assert(formula.numVars >= 1 && formula.numVars <= maxVars_ &&
           formula.clauses.size() <= static_cast<std::size_t>(maxClauses_) &&
           "a formula beyond the sizes the search was built for");
    numVars_ = formula.numVars;
    const Literal filler(Variable{numVars_}, false);

    width_ = kMinWidth;
    for (const Clause& clause : formula.clauses) {
        assert(clause.size >= 0 && clause.size <= maxWidth_);
        for (std::int32_t k = 0; k < clause.size; ++k) {
            for (std::int32_t j = 0; j < k; ++j) {
                assert(clause.lits[j].variable() != clause.lits[k].variable() &&
                       "a clause holds a variable twice");
            }
        }
        width_ = std::max(width_, clause.size);
    }
    literals_.resize(static_cast<std::size_t>(width_) * formula.clauses.size());
    Literal* stored = literals_.data();
    for (const Clause& clause : formula.clauses) {
        for (std::int32_t k = 0; k < width_; ++k) {
            *stored++ = k < clause.size ? clause.lits[k] : filler;
        }
    }
    occurrences_.build(formula);
    literalStates_.assign(numVars_ + 1, 0);
    literalStates_[filler] = kFalse;
    order_.reset(numVars_);
    unsatisfiedCount_ = static_cast<std::int32_t>(formula.clauses.size());
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
    model_.resize(static_cast<std::size_t>(numVars_));
    for (Variable v; v.id < numVars_; ++v.id) {
        model_[v.index()] = satisfiable && literalStates_[Literal(v, false)] == kTrue ? 1 : 0;
    }
    return Outcome{satisfiable, steps_, interrupted_};
}

std::span<const std::int8_t> TrailSearch::model() const {
    return {model_.data(), model_.size()};
}

// Takes the first variable of the order and tries it true, then false.
template <std::int32_t Width>
bool TrailSearch::branch() {
    if (order_.empty()) {
        // Only a formula with variables outside the order runs out of them.
        return unsatisfiedCount_ == 0;
    }
    const Variable variable = order_.popFront();
    if (assign<Width>(Literal(variable, false))) {
        return true;
    }
    if (interrupted_) {
        return false;
    }
    return assign<Width>(Literal(variable, true));
}

// One counted step: makes `literal` true, then branches on what is left. The
// clauses that hold the opposite literal are visited in clause order, so that
// those cut down to one literal promote their variables in the order the
// copying search promotes them, and the first one emptied ends the step.
template <std::int32_t Width>
bool TrailSearch::assign(Literal literal) {
    assert(literalStates_[literal] == 0 && literalStates_[~literal] == 0 &&
           "a variable assigned twice");
    ++steps_;
    if (steps_ % kStopCheckInterval == 0 && stop_ != nullptr &&
        stop_->load(std::memory_order_relaxed)) {
        interrupted_ = true;
        return false;
    }
    const std::size_t orderMark = order_.mark();
    const Literal opposite = ~literal;
    const auto states = literalStates_.view();
    const Literal* const literals = literals_.data();
    states[opposite] = kFalse;

    // Written with as few branches as can be: whether a clause is satisfied
    // is what no predictor guesses well. The loops over a clause's literals
    // have a fixed length and unroll.
    for (const std::int32_t c : occurrences_.of(opposite)) {
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
                order_.restore(orderMark);
                return false;
            }
            Literal unit = clause[Width - 1];
            for (std::int32_t k = Width - 2; k >= 0; --k) {
                unit = held[k] == 0 ? clause[k] : unit;
            }
            order_.moveToFront(unit.variable());
        }
    }
    std::int32_t satisfiedNow = 0;
    for (const std::int32_t c : occurrences_.of(literal)) {
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
    order_.restore(orderMark);
    return false;
}

}  // namespace satphase
