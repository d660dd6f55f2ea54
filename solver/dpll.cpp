#include "solver/dpll.h"

#include <algorithm>
#include <cassert>

namespace satphase {

namespace {

// How many decisions and backtracks pass between two looks at the stop flag.
constexpr std::uint64_t kStopCheckInterval = 1024;

// The Jeroslow–Wang weight 2^-len, scaled by 2^7 so that it stays an exact
// integer for every clause length a formula can hold; a literal's sum of
// them, at most 2^7 for each of kMaxFormulaClauses clauses, fits 32 bits.
constexpr int kWeightShift = kMaxClauseWidth;
static_assert(std::uint64_t{kMaxFormulaClauses} << kWeightShift <= UINT32_MAX);

// The weight of a clause with `open` literals not yet false. A clause in
// conflict (none open) weighs 2^7: it is counted like any other until the
// search takes its last literal back.
constexpr Dpll::Score weightOf(std::int32_t open) {
    assert(open >= 0 && open <= kMaxClauseWidth);
    return Dpll::Score{1} << (kWeightShift - open);
}

}  // namespace

// Every buffer is sized here for the largest formula, so that decide() only
// refills them.
Dpll::Dpll(std::int32_t maxVars, std::int32_t maxClauses)
    : maxVars_(std::max(maxVars, 1)),
      maxClauses_(std::max(maxClauses, 1)),
      clauses_(maxClauses_),
      occurrences_(maxVars_, std::int64_t{kMaxClauseWidth} * maxClauses_) {
    assert(maxVars >= 0 && maxClauses >= 0);
    const auto vars = static_cast<std::size_t>(maxVars_);
    const auto clauses = static_cast<std::size_t>(maxClauses_);
    values_.reserve(maxVars_);
    trueCount_.reserve(clauses);
    falseCount_.reserve(clauses);
    scores_.reserve(maxVars_);
    // Each variable is assigned at most once along a path, and is the
    // decision of at most one level.
    trail_.reserve(vars);
    levels_.reserve(vars);
    savedScores_.resize(vars * 2 * vars);
    model_.reserve(vars);
}

Dpll::Outcome Dpll::decide(const Formula& formula, const std::atomic<bool>* stop) {
    assert(formula.numVars >= 0 && formula.numVars <= maxVars_ &&
           formula.clauses.size() <= static_cast<std::size_t>(maxClauses_) &&
           "a formula beyond the sizes the engine was built for");
    load(formula);
    outcome_ = Outcome{};
    stop_ = stop;

    bool consistent = assignInputUnits(formula) && propagate();
    std::uint64_t rounds = 0;
    for (;;) {
        if (!consistent && !backtrack()) {
            break;  // every branch refuted: unsatisfiable
        }
        const Variable best = eliminatePureLiterals();
        if (unsatisfiedClauses_ == 0) {
            outcome_.satisfiable = true;
            break;
        }
        if (++rounds % kStopCheckInterval == 0 && stop_ != nullptr &&
            stop_->load(std::memory_order_relaxed)) {
            outcome_.interrupted = true;
            break;
        }
        const Literal decision = chooseBranch(best);
        ++outcome_.branches;
        saveScores(levels_.size());
        levels_.push_back(Level{static_cast<std::int32_t>(trail_.size()), decision, false});
        assign(decision);
        consistent = propagate();
    }

    model_.resize(static_cast<std::size_t>(numVars_));
    for (Variable v; v.id < numVars_; ++v.id) {
        model_[v.index()] = outcome_.satisfiable && values_[Literal(v, false)] == kTrue ? 1 : 0;
    }
    return outcome_;
}

std::span<const std::int8_t> Dpll::model() const {
    return {model_.data(), model_.size()};
}

// Lays the formula out in the engine's own arrays, every clause unsatisfied
// and every variable open. Clauses keep their order, and each literal's
// occurrences are in clause order, so that the search's choices depend on
// the formula alone.
void Dpll::load(const Formula& formula) {
    numVars_ = formula.numVars;
    numClauses_ = static_cast<std::int32_t>(formula.clauses.size());

    clauses_.load(formula);
    occurrences_.build(formula);

    values_.assign(numVars_, kOpen);
    trueCount_.assign(static_cast<std::size_t>(numClauses_), 0);
    falseCount_.assign(static_cast<std::size_t>(numClauses_), 0);
    scores_.assign(numVars_, 0);
    for (std::int32_t c = 0; c < numClauses_; ++c) {
        const std::span<const Literal> lits = clauses_.of(c);
        const Score weight = weightOf(static_cast<std::int32_t>(lits.size()));
        for (const Literal literal : lits) {
            scores_[literal] += weight;
        }
    }
    unsatisfiedClauses_ = numClauses_;
    trail_.clear();
    propagated_ = 0;
    levels_.clear();
}

// The input's unit clauses are propagations like any other; an empty clause,
// or two opposite units, make the formula unsatisfiable before any search.
bool Dpll::assignInputUnits(const Formula& formula) {
    for (const Clause& clause : formula.clauses) {
        if (clause.size == 0) {
            return false;
        }
        if (clause.size == 1) {
            const Literal literal = clause.lits[0];
            if (values_[literal] == kFalse) {
                return false;
            }
            if (values_[literal] == kOpen) {
                assign(literal);
                ++outcome_.propagations;
            }
        }
    }
    return true;
}

// Records the value; the clauses learn of it when propagate reaches it.
void Dpll::assign(Literal literal) {
    assert(values_[literal] == kOpen && "a variable assigned twice");
    values_[literal] = kTrue;
    values_[~literal] = kFalse;
    trail_.push_back(literal);
}

// Unit propagation to a fixpoint, breadth first: the trail is the queue, and
// the clauses of each literal's negation are visited in clause order, so that
// the units they leave are assigned in that order. Returns false on a clause
// with every literal false. Every literal taken off the queue has all its
// clauses' counters updated, even after a conflict, so that undoTo can take
// back exactly what was done.
bool Dpll::propagate() {
    return clauses_.width() == kClassicClauseWidth ? propagateClauses<kClassicClauseWidth>()
                                                   : propagateClauses<0>();
}

template <std::int32_t Width>
bool Dpll::propagateClauses() {
    bool consistent = true;
    while (consistent && propagated_ < static_cast<std::int32_t>(trail_.size())) {
        const Literal literal = trail_[static_cast<std::size_t>(propagated_++)];
        for (const std::int32_t c : occurrences_.of(literal)) {
            if (trueCount_[c]++ == 0) {
                --unsatisfiedClauses_;
                const std::span<const Literal> lits = clauses_.of<Width>(c);
                const Score weight =
                    weightOf(static_cast<std::int32_t>(lits.size()) - falseCount_[c]);
                for (const Literal other : lits) {
                    scores_[other] -= weight;
                }
            }
        }
        for (const std::int32_t c : occurrences_.of(~literal)) {
            const std::int32_t falses = ++falseCount_[c];
            if (trueCount_[c] != 0) {
                continue;
            }
            // One literal fewer open doubles the clause's weight.
            const std::span<const Literal> lits = clauses_.of<Width>(c);
            const auto size = static_cast<std::int32_t>(lits.size());
            const Score weight = weightOf(size - falses + 1);
            for (const Literal other : lits) {
                scores_[other] += weight;
            }
            if (!consistent) {
                continue;
            }
            if (falses == size) {
                consistent = false;
            } else if (falses == size - 1) {
                // One literal is not yet counted false: open (a unit), true
                // or false but still in the queue.
                const auto rest = std::find_if(lits.begin(), lits.end(),
                                               [this](Literal l) { return values_[l] != kFalse; });
                if (rest == lits.end()) {
                    consistent = false;
                } else if (values_[*rest] == kOpen) {
                    assign(*rest);
                    ++outcome_.propagations;
                }
            }
        }
    }
    return consistent;
}

// Makes true every open literal whose negation occurs in no unsatisfied
// clause, in variable order, until none is left, and returns the variable
// to branch on next. Such a literal satisfies clauses and falsifies none
// that are not satisfied already, so it can neither cause a conflict nor
// leave a unit; removing clauses may make further literals pure, hence the
// repeated passes. The last pass, which finds none, changes no score, so it
// also makes the two-sided Jeroslow–Wang choice (see the class comment):
// the open variable with the largest J(x) + J(~x), the lowest on a tie;
// none when every variable is assigned.
Variable Dpll::eliminatePureLiterals() {
    for (;;) {
        bool found = false;
        Variable best{-1};
        std::uint64_t bestScore = 0;
        for (Variable v; v.id < numVars_; ++v.id) {
            const Literal plain(v, false);
            if (values_[plain] != kOpen) {
                continue;
            }
            // A literal scores 0 exactly when no unsatisfied clause holds
            // it: every clause adds a positive weight.
            const Score plainCount = scores_[plain];
            const Score negatedCount = scores_[~plain];
            if ((plainCount == 0) != (negatedCount == 0)) {
                assign(plainCount == 0 ? ~plain : plain);
                ++outcome_.pureLiterals;
                [[maybe_unused]] const bool consistent = propagate();
                assert(consistent);
                found = true;
            } else if (const std::uint64_t score = std::uint64_t{plainCount} + negatedCount;
                       score > bestScore) {
                best = v;
                bestScore = score;
            }
        }
        if (!found) {
            return best;
        }
    }
}

// The branch on `best`, read from the scores propagate and the saved levels
// keep, so that a decision costs no pass over the clauses: the sign of the
// larger side, true on a tie. Called at a fixpoint with a clause left
// unsatisfied, which then has at least two open literals.
Literal Dpll::chooseBranch(Variable best) const {
    assert(best.id >= 0);
    const Literal plain(best, false);
    return scores_[plain] >= scores_[~plain] ? plain : ~plain;
}

// Chronological backtracking: undoes the deepest level and tries its
// decision's other value; a level whose both values failed is dropped and
// the one above is tried. Returns false when no level is left, or true at a
// consistent fixpoint.
bool Dpll::backtrack() {
    while (!levels_.empty()) {
        Level& level = levels_.back();
        undoTo(level.trailSize);
        restoreScores(levels_.size() - 1);
        if (!level.flipped) {
            level.flipped = true;
            assign(~level.decision);
            if (propagate()) {
                return true;
            }
            continue;
        }
        levels_.pop_back();
    }
    return false;
}

// Takes back the trail's literals beyond `trailSize`, latest first, with
// the clause counters they changed; the scores come back from the level's
// saved copy (restoreScores).
void Dpll::undoTo(std::int32_t trailSize) {
    while (static_cast<std::int32_t>(trail_.size()) > trailSize) {
        const Literal literal = trail_.back();
        if (static_cast<std::int32_t>(trail_.size()) <= propagated_) {
            for (const std::int32_t c : occurrences_.of(~literal)) {
                --falseCount_[c];
            }
            for (const std::int32_t c : occurrences_.of(literal)) {
                if (--trueCount_[c] == 0) {
                    ++unsatisfiedClauses_;
                }
            }
        }
        values_[literal] = kOpen;
        values_[~literal] = kOpen;
        trail_.pop_back();
    }
    propagated_ = std::min(propagated_, trailSize);
}

// The scores of every literal as they stand at the decision of level
// `level`, kept in the level's own slice, and put back when the search
// returns to that point: one copy of 2n numbers instead of undoing every
// weight that propagation moved.
void Dpll::saveScores(std::size_t level) {
    const std::span<const Score> scores = scores_.entries();
    std::ranges::copy(scores,
                      savedScores_.begin() + static_cast<std::ptrdiff_t>(level * scores.size()));
}

void Dpll::restoreScores(std::size_t level) {
    const std::span<Score> scores = scores_.entries();
    const auto from = savedScores_.begin() + static_cast<std::ptrdiff_t>(level * scores.size());
    std::copy(from, from + static_cast<std::ptrdiff_t>(scores.size()), scores.begin());
}

}  // namespace satphase
