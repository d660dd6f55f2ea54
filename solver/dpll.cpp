#include "solver/dpll.h"

#include <algorithm>
#include <cassert>

namespace {

// How many decisions and backtracks pass between two looks at the stop flag.
constexpr std::uint64_t kStopCheckInterval = 1024;

// The Jeroslow–Wang weight 2^-len, scaled by 2^16 so that it stays an exact
// integer for every clause length a formula can hold.
constexpr int kWeightShift = 16;
static_assert(kMaxClauseWidth < kWeightShift);

}  // namespace

Dpll::Dpll(std::int32_t maxVars, std::int32_t maxClauses) {
    const auto vars = static_cast<std::size_t>(std::max(maxVars, 1));
    const auto clauses = static_cast<std::size_t>(std::max(maxClauses, 1));
    literals_.reserve(kMaxClauseWidth * clauses);
    clauseStart_.reserve(clauses + 1);
    occurrenceStart_.reserve(2 * vars + 1);
    occurrences_.reserve(kMaxClauseWidth * clauses);
    values_.reserve(2 * vars);
    trueCount_.reserve(clauses);
    falseCount_.reserve(clauses);
    unsatisfiedOccurrences_.reserve(2 * vars);
    scores_.reserve(2 * vars);
    // Each variable is assigned at most once along a path, and is the
    // decision of at most one level.
    trail_.reserve(vars);
    levels_.reserve(vars);
    model_.reserve(vars);
}

Dpll::Outcome Dpll::decide(const Formula& formula, const std::atomic<bool>* stop) {
    assert(formula.numVars >= 0 && formula.clauses.size() <= clauseStart_.capacity() - 1);
    load(formula);
    outcome_ = Outcome{};
    stop_ = stop;

    bool consistent = assignInputUnits(formula) && propagate();
    std::uint64_t rounds = 0;
    for (;;) {
        if (!consistent && !backtrack()) {
            break;  // every branch refuted: unsatisfiable
        }
        eliminatePureLiterals();
        if (unsatisfiedClauses_ == 0) {
            outcome_.satisfiable = true;
            break;
        }
        if (++rounds % kStopCheckInterval == 0 && stop_ != nullptr &&
            stop_->load(std::memory_order_relaxed)) {
            outcome_.interrupted = true;
            break;
        }
        const Literal decision = chooseBranch();
        ++outcome_.branches;
        levels_.push_back(Level{static_cast<std::int32_t>(trail_.size()), decision, false});
        assign(decision);
        consistent = propagate();
    }

    model_.resize(static_cast<std::size_t>(numVars_));
    for (std::size_t v = 0; v < model_.size(); ++v) {
        model_[v] = outcome_.satisfiable && values_[2 * v] == kTrue ? 1 : 0;
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
    const auto literalCount = 2 * static_cast<std::size_t>(numVars_);

    literals_.clear();
    clauseStart_.clear();
    occurrenceStart_.assign(literalCount + 1, 0);
    for (const Clause& clause : formula.clauses) {
        assert(clause.size >= 0 && clause.size <= kMaxClauseWidth);
        clauseStart_.push_back(static_cast<std::int32_t>(literals_.size()));
        for (std::int32_t k = 0; k < clause.size; ++k) {
            const Literal literal = clause.lits[k];
            assert(literal >= 0 && variableOf(literal) < numVars_);
            literals_.push_back(literal);
            ++occurrenceStart_[static_cast<std::size_t>(literal) + 1];
        }
    }
    clauseStart_.push_back(static_cast<std::int32_t>(literals_.size()));

    unsatisfiedOccurrences_.resize(literalCount);
    for (std::size_t l = 0; l < literalCount; ++l) {
        unsatisfiedOccurrences_[l] = occurrenceStart_[l + 1];
        occurrenceStart_[l + 1] += occurrenceStart_[l];
    }
    // Filled in clause order by advancing each start, then the starts are
    // restored from the ends they were advanced to.
    occurrences_.resize(literals_.size());
    for (std::int32_t c = 0; c < numClauses_; ++c) {
        for (const Literal literal : literalsOf(c)) {
            occurrences_[static_cast<std::size_t>(
                occurrenceStart_[static_cast<std::size_t>(literal)]++)] = c;
        }
    }
    for (std::size_t l = literalCount; l > 0; --l) {
        occurrenceStart_[l] = occurrenceStart_[l - 1];
    }
    occurrenceStart_[0] = 0;

    values_.assign(literalCount, kOpen);
    trueCount_.assign(static_cast<std::size_t>(numClauses_), 0);
    falseCount_.assign(static_cast<std::size_t>(numClauses_), 0);
    scores_.resize(literalCount);
    unsatisfiedClauses_ = numClauses_;
    trail_.clear();
    propagated_ = 0;
    levels_.clear();
}

std::span<const std::int32_t> Dpll::occurrencesOf(Literal literal) const {
    const auto l = static_cast<std::size_t>(literal);
    return {occurrences_.data() + occurrenceStart_[l],
            occurrences_.data() + occurrenceStart_[l + 1]};
}

std::span<const Literal> Dpll::literalsOf(std::int32_t clause) const {
    const auto c = static_cast<std::size_t>(clause);
    return {literals_.data() + clauseStart_[c], literals_.data() + clauseStart_[c + 1]};
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
            if (values_[static_cast<std::size_t>(literal)] == kFalse) {
                return false;
            }
            if (values_[static_cast<std::size_t>(literal)] == kOpen) {
                assign(literal);
                ++outcome_.propagations;
            }
        }
    }
    return true;
}

// Records the value; the clauses learn of it when propagate reaches it.
void Dpll::assign(Literal literal) {
    assert(values_[static_cast<std::size_t>(literal)] == kOpen);
    values_[static_cast<std::size_t>(literal)] = kTrue;
    values_[static_cast<std::size_t>(negationOf(literal))] = kFalse;
    trail_.push_back(literal);
}

// Unit propagation to a fixpoint, breadth first: the trail is the queue, and
// the clauses of each literal's negation are visited in clause order, so that
// the units they leave are assigned in that order. Returns false on a clause
// with every literal false. Every literal taken off the queue has all its
// clauses' counters updated, even after a conflict, so that undoTo can take
// back exactly what was done.
bool Dpll::propagate() {
    bool consistent = true;
    while (consistent && propagated_ < static_cast<std::int32_t>(trail_.size())) {
        const Literal literal = trail_[static_cast<std::size_t>(propagated_++)];
        for (const std::int32_t c : occurrencesOf(literal)) {
            if (trueCount_[static_cast<std::size_t>(c)]++ == 0) {
                --unsatisfiedClauses_;
                for (const Literal other : literalsOf(c)) {
                    --unsatisfiedOccurrences_[static_cast<std::size_t>(other)];
                }
            }
        }
        for (const std::int32_t c : occurrencesOf(negationOf(literal))) {
            const auto clause = static_cast<std::size_t>(c);
            const std::int32_t falses = ++falseCount_[clause];
            if (!consistent || trueCount_[clause] != 0) {
                continue;
            }
            const std::span<const Literal> lits = literalsOf(c);
            const auto size = static_cast<std::int32_t>(lits.size());
            if (falses == size) {
                consistent = false;
            } else if (falses == size - 1) {
                // One literal is not yet counted false: open (a unit), true
                // or false but still in the queue.
                const auto rest = std::find_if(lits.begin(), lits.end(), [this](Literal l) {
                    return values_[static_cast<std::size_t>(l)] != kFalse;
                });
                if (rest == lits.end()) {
                    consistent = false;
                } else if (values_[static_cast<std::size_t>(*rest)] == kOpen) {
                    assign(*rest);
                    ++outcome_.propagations;
                }
            }
        }
    }
    return consistent;
}

// Makes true every open literal whose negation occurs in no unsatisfied
// clause, in variable order, until none is left. Such a literal satisfies
// clauses and falsifies none that are not satisfied already, so it can
// neither cause a conflict nor leave a unit; removing clauses may make
// further literals pure, hence the repeated passes.
void Dpll::eliminatePureLiterals() {
    bool found = true;
    while (found) {
        found = false;
        for (std::int32_t v = 0; v < numVars_; ++v) {
            const Literal plain = makeLiteral(v, false);
            if (values_[static_cast<std::size_t>(plain)] != kOpen) {
                continue;
            }
            const std::int32_t plainCount =
                unsatisfiedOccurrences_[static_cast<std::size_t>(plain)];
            const std::int32_t negatedCount =
                unsatisfiedOccurrences_[static_cast<std::size_t>(negationOf(plain))];
            if ((plainCount == 0) != (negatedCount == 0)) {
                assign(plainCount == 0 ? negationOf(plain) : plain);
                ++outcome_.pureLiterals;
                [[maybe_unused]] const bool consistent = propagate();
                assert(consistent);
                found = true;
            }
        }
    }
}

// Two-sided Jeroslow–Wang over the unsatisfied clauses (see the class
// comment). Called at a fixpoint with a clause left unsatisfied, which then
// has at least two open literals.
Literal Dpll::chooseBranch() {
    std::fill(scores_.begin(), scores_.end(), 0);
    for (std::int32_t c = 0; c < numClauses_; ++c) {
        const auto clause = static_cast<std::size_t>(c);
        if (trueCount_[clause] != 0) {
            continue;
        }
        const std::span<const Literal> lits = literalsOf(c);
        const auto open = static_cast<std::int32_t>(lits.size()) - falseCount_[clause];
        const std::uint64_t weight = std::uint64_t{1} << (kWeightShift - open);
        for (const Literal literal : lits) {
            if (values_[static_cast<std::size_t>(literal)] == kOpen) {
                scores_[static_cast<std::size_t>(literal)] += weight;
            }
        }
    }
    std::int32_t best = -1;
    std::uint64_t bestScore = 0;
    for (std::int32_t v = 0; v < numVars_; ++v) {
        const std::uint64_t score =
            scores_[2 * static_cast<std::size_t>(v)] + scores_[2 * static_cast<std::size_t>(v) + 1];
        if (score > bestScore) {
            best = v;
            bestScore = score;
        }
    }
    assert(best >= 0);
    const Literal plain = makeLiteral(best, false);
    return scores_[static_cast<std::size_t>(plain)] >=
                   scores_[static_cast<std::size_t>(negationOf(plain))]
               ? plain
               : negationOf(plain);
}

// Chronological backtracking: undoes the deepest level and tries its
// decision's other value; a level whose both values failed is dropped and
// the one above is tried. Returns false when no level is left, or true at a
// consistent fixpoint.
bool Dpll::backtrack() {
    while (!levels_.empty()) {
        Level& level = levels_.back();
        undoTo(level.trailSize);
        if (!level.flipped) {
            level.flipped = true;
            assign(negationOf(level.decision));
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
// every counter they changed.
void Dpll::undoTo(std::int32_t trailSize) {
    while (static_cast<std::int32_t>(trail_.size()) > trailSize) {
        const Literal literal = trail_.back();
        if (static_cast<std::int32_t>(trail_.size()) <= propagated_) {
            for (const std::int32_t c : occurrencesOf(negationOf(literal))) {
                --falseCount_[static_cast<std::size_t>(c)];
            }
            for (const std::int32_t c : occurrencesOf(literal)) {
                if (--trueCount_[static_cast<std::size_t>(c)] == 0) {
                    ++unsatisfiedClauses_;
                    for (const Literal other : literalsOf(c)) {
                        ++unsatisfiedOccurrences_[static_cast<std::size_t>(other)];
                    }
                }
            }
        }
        values_[static_cast<std::size_t>(literal)] = kOpen;
        values_[static_cast<std::size_t>(negationOf(literal))] = kOpen;
        trail_.pop_back();
    }
    propagated_ = std::min(propagated_, trailSize);
}
