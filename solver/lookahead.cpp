#include "solver/lookahead.h"

#include <algorithm>
#include <array>
#include <cassert>
#include <cstddef>
#include <span>

namespace satphase {

namespace {

// How many nodes and backtracks pass between two looks at the stop flag.
constexpr std::uint64_t kStopCheckInterval = 256;

// The weight of a clause a look-ahead leaves with `open` literals, none true
// (march's and kcnfs's weighted new clauses): a new binary clause counts
// most, longer ones about a fifth as much per extra literal; a binary one's
// 1 is then multiplied by the pressures of its literals' negations
// (lookAhead). A clause of one open literal is a unit, propagated; none is
// left at a fixpoint.
constexpr std::array<double, kMaxClauseWidth + 1> kNewClauseWeight = {0,    0,    1.0,   0.2,
                                                                      0.05, 0.01, 0.003, 0.001};

// How strongly a clause of `open` open literals, none true, presses each of
// them to be true, before the pressures of its other literals multiply in:
// a binary clause five times as much as a ternary one, longer ones less and
// less (in the proportions of kNewClauseWeight). docs/lookahead.md has the
// factors and round counts tried.
constexpr std::array<double, kMaxClauseWidth + 1> kClausePush = {0,    0,    5.0,   1.0,
                                                                 0.25, 0.05, 0.015, 0.005};

// Rounds of the recursive pressures at each preselection.
constexpr int kPushRounds = 3;

// What every literal's pressure starts a round from, before the clauses add
// theirs: without it the products vanish on a formula where every clause
// has a literal that nothing presses (one whose negation occurs nowhere),
// and the ranking and the diffs could no longer tell the variables apart.
constexpr double kPressureFloor = 0.1;

// Satz's mix of the two sides' diffs: the product dominates, so that a
// variable both of whose values shrink the formula wins over one with a
// large diff on one side only; the sum breaks ties among products of zero.
double mixed(double plain, double negated) {
    return 1024 * plain * negated + plain + negated;
}

// How many candidates a node looks ahead on: a tenth of its open
// variables, and never fewer than kMinCandidates.
constexpr std::int32_t kMinCandidates = 20;
constexpr std::int32_t kCandidateDivisor = 10;

}  // namespace

// Every buffer is sized here for the largest formula, so that decide() only
// refills them.
Lookahead::Lookahead(std::int32_t maxVars, std::int32_t maxClauses)
    : maxVars_(std::max(maxVars, 1)),
      maxClauses_(std::max(maxClauses, 1)),
      clauses_(maxClauses_),
      occurrences_(maxVars_, std::int64_t{kMaxClauseWidth} * maxClauses_) {
    assert(maxVars >= 0 && maxClauses >= 0);
    const auto vars = static_cast<std::size_t>(maxVars_);
    const auto clauses = static_cast<std::size_t>(maxClauses_);
    values_.reserve(maxVars_);
    falseCount_.reserve(clauses);
    trueCount_.reserve(clauses);
    // A variable is on the trail at most once, whether the search or a
    // look-ahead put it there, and is the decision of at most one level.
    trail_.reserve(vars);
    levels_.reserve(vars);
    pressure_.reserve(maxVars_);
    nextPressure_.reserve(maxVars_);
    score_.reserve(maxVars_);
    pairs_.reserve(2 * clauses);
    triples_.reserve(3 * clauses);
    longer_.reserve(static_cast<std::size_t>(kMaxClauseWidth + 1) * clauses);
    candidates_.reserve(vars);
    shortened_.reserve(clauses);
    clauseStamp_.reserve(clauses);
    impliedStamp_.reserve(maxVars_);
    necessary_.reserve(vars);
    model_.reserve(vars);
}

Lookahead::Outcome Lookahead::decide(const Formula& formula, const std::atomic<bool>* stop) {
    assert(formula.numVars >= 0 && formula.numVars <= maxVars_ &&
           formula.clauses.size() <= static_cast<std::size_t>(maxClauses_) &&
           "a formula beyond the sizes the engine was built for");
    load(formula);
    outcome_ = Outcome{};
    if (clauses_.width() == kClassicClauseWidth) {
        search<kClassicClauseWidth>(formula, stop);
    } else {
        search<0>(formula, stop);
    }

    model_.resize(static_cast<std::size_t>(numVars_));
    for (Variable v; v.id < numVars_; ++v.id) {
        model_[v.index()] = outcome_.satisfiable && values_[Literal(v, false)] == kTrue ? 1 : 0;
    }
    return outcome_;
}

// The search proper, compiled once for clauses of any width (Width 0) and
// once for formulas whose clauses all have three literals, whose loops over
// a clause's literals then unroll (see clauseLiterals).
template <std::int32_t Width>
void Lookahead::search(const Formula& formula, const std::atomic<bool>* stop) {
    bool consistent = assignInputUnits(formula) && propagate<false, Width>();
    std::uint64_t rounds = 0;
    for (;;) {
        if (!consistent && !backtrack<Width>()) {
            break;  // every branch refuted: unsatisfiable
        }
        if (++rounds % kStopCheckInterval == 0 && stop != nullptr &&
            stop->load(std::memory_order_relaxed)) {
            outcome_.interrupted = true;
            break;
        }
        Literal branch;
        const NodeState state = examineNode<Width>(branch);
        if (state == NodeState::Satisfied) {
            outcome_.satisfiable = true;
            break;
        }
        if (state == NodeState::Conflict) {
            consistent = false;
            continue;
        }
        ++outcome_.nodes;
        levels_.push_back(Level{static_cast<std::int32_t>(trail_.size()), branch, false});
        assign(branch);
        consistent = propagate<false, Width>();
    }
}

std::span<const std::int8_t> Lookahead::model() const {
    return {model_.data(), model_.size()};
}

// Lays the formula out in the engine's own arrays, every clause unsatisfied
// and every variable open, in the formula's clause order, so that the
// search's choices depend on the formula alone.
void Lookahead::load(const Formula& formula) {
    numVars_ = formula.numVars;
    numClauses_ = static_cast<std::int32_t>(formula.clauses.size());
    clauses_.load(formula);
    occurrences_.build(formula);

    values_.assign(numVars_, kOpen);
    falseCount_.assign(static_cast<std::size_t>(numClauses_), 0);
    trueCount_.assign(static_cast<std::size_t>(numClauses_), 0);
    unsatisfiedClauses_ = numClauses_;
    trail_.clear();
    propagated_ = 0;
    levels_.clear();
    pressure_.resize(numVars_);
    nextPressure_.resize(numVars_);
    score_.resize(numVars_);
    clauseStamp_.assign(static_cast<std::size_t>(numClauses_), 0);
    stamp_ = 0;
    impliedStamp_.assign(numVars_, 0);
    impliedRound_ = 0;
}

// The input's unit clauses hold before any search; an empty clause, or two
// opposite units, make the formula unsatisfiable.
bool Lookahead::assignInputUnits(const Formula& formula) {
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
            }
        }
    }
    return true;
}

// Records the value; the clauses learn of it when propagate reaches it.
void Lookahead::assign(Literal literal) {
    assert(values_[literal] == kOpen && "a variable assigned twice");
    values_[literal] = kTrue;
    values_[~literal] = kFalse;
    trail_.push_back(literal);
}

// Unit propagation to a fixpoint, the trail being the queue. The search's
// own assignments (kTentative false) also count the clauses each literal
// satisfies; a look-ahead's (kTentative true) skip that, which halves its
// work, and instead note each clause they shorten once, for its diff.
// Returns false on a clause with every literal false. Every literal taken
// off the queue has all its counters updated, even after a conflict, so that
// undoTo takes back exactly what was done.
template <bool kTentative, std::int32_t Width>
bool Lookahead::propagate() {
    const IndexedView<Literal, std::int8_t> values = values_.view();
    bool consistent = true;
    while (consistent && propagated_ < static_cast<std::int32_t>(trail_.size())) {
        const Literal literal = trail_[static_cast<std::size_t>(propagated_++)];
        if constexpr (!kTentative) {
            for (const std::int32_t c : occurrences_.of(literal)) {
                if (trueCount_[static_cast<std::size_t>(c)]++ == 0) {
                    --unsatisfiedClauses_;
                }
            }
        }
        for (const std::int32_t c : occurrences_.of(~literal)) {
            const auto at = static_cast<std::size_t>(c);
            const std::int32_t falses = ++falseCount_[at];
            if (trueCount_[at] != 0) {
                continue;  // satisfied by the search: no unit, no conflict, no diff
            }
            if constexpr (kTentative) {
                if (clauseStamp_[at] != stamp_) {
                    clauseStamp_[at] = stamp_;
                    shortened_.push_back(c);
                }
            }
            if (!consistent) {
                continue;
            }
            const auto lits = clauses_.of<Width>(c);
            const auto size = static_cast<std::int32_t>(lits.size());
            if (falses == size) {
                consistent = false;
            } else if (falses == size - 1) {
                // One literal is not yet counted false: open (a unit), true
                // (the clause is satisfied) or false but still queued.
                const auto rest = std::ranges::find_if(
                    lits, [&](Literal other) { return values[other] != kFalse; });
                if (rest == lits.end()) {
                    consistent = false;
                } else if (values[*rest] == kOpen) {
                    assign(*rest);
                }
            }
        }
    }
    return consistent;
}

// Takes back the trail's literals beyond `trailSize`, latest first, with
// every counter they changed; kTentative as the propagate that made them.
template <bool kTentative>
void Lookahead::undoTo(std::int32_t trailSize) {
    while (static_cast<std::int32_t>(trail_.size()) > trailSize) {
        const Literal literal = trail_.back();
        if (static_cast<std::int32_t>(trail_.size()) <= propagated_) {
            for (const std::int32_t c : occurrences_.of(~literal)) {
                --falseCount_[static_cast<std::size_t>(c)];
            }
            if constexpr (!kTentative) {
                for (const std::int32_t c : occurrences_.of(literal)) {
                    if (--trueCount_[static_cast<std::size_t>(c)] == 0) {
                        ++unsatisfiedClauses_;
                    }
                }
            }
        }
        values_[literal] = kOpen;
        values_[~literal] = kOpen;
        trail_.pop_back();
    }
    propagated_ = std::min(propagated_, trailSize);
}

// Assigns a literal the look-ahead proved at this node and propagates it;
// false when that empties a clause, which refutes the node.
template <std::int32_t Width>
bool Lookahead::force(Literal literal) {
    assign(literal);
    return propagate<false, Width>();
}

// Picks the node's candidates by the recursive weight of the literals
// (kcnfs's backbone-search heuristic as march generalised it): a literal's
// pressure is how strongly the unsatisfied clauses press it to be true. A
// clause (l, y, z) presses l the more, the more y and z are themselves
// pressed to be false, that is the more ~y and ~z are pressed to be true; so
// each round gives l kPressureFloor plus, over the clauses l occurs in, the
// products of the last round's pressures of the other literals' negations,
// weighted by the clause's length (kClausePush), and scales them to a mean
// of one over the literals of the unsatisfied clauses' variables. Every
// literal starts at one. A variable both of whose literals are pressed hard
// is one whose two values both shrink the formula, so the variables are
// ranked by the branching rule's mix of the two pressures (ties to the lower
// variable), and the diffs of the look-ahead weigh each new binary clause by
// the same pressures. The node's clauses are read once; the rounds read
// their open literals, gathered by length.
template <std::int32_t Width>
void Lookahead::preselect() {
    const IndexedView<Literal, std::int8_t> values = values_.view();
    const IndexedView<Variable, double> score = score_.view();
    score_.assign(numVars_, -1.0);  // -1: the variable is in no unsatisfied clause
    pairs_.clear();
    triples_.clear();
    longer_.clear();
    for (std::int32_t c = 0; c < numClauses_; ++c) {
        const auto at = static_cast<std::size_t>(c);
        if (trueCount_[at] != 0) {
            continue;
        }
        const auto lits = clauses_.of<Width>(c);
        const std::int32_t open = static_cast<std::int32_t>(lits.size()) - falseCount_[at];
        std::vector<Literal>& list = open == 2 ? pairs_ : open == 3 ? triples_ : longer_;
        if (open > 3) {
            // The group's length goes first, as the plain literal of that
            // variable number.
            list.emplace_back(Variable{open}, false);
        }
        for (const Literal literal : lits) {
            if (values[literal] == kOpen) {
                score[literal.variable()] = 0;
                list.push_back(literal);
            }
        }
    }
    pressure_.assign(numVars_, 1.0);
    for (int round = 0; round < kPushRounds; ++round) {
        nextPressure_.assign(numVars_, kPressureFloor);
        const IndexedView<Literal, double> last = pressure_.view();
        const IndexedView<Literal, double> next = nextPressure_.view();
        constexpr double kPairPush = kClausePush[2];
        for (std::size_t at = 0; at < pairs_.size(); at += 2) {
            const Literal a = pairs_[at];
            const Literal b = pairs_[at + 1];
            next[a] += kPairPush * last[~b];
            next[b] += kPairPush * last[~a];
        }
        for (std::size_t at = 0; at < triples_.size(); at += 3) {
            const Literal a = triples_[at];
            const Literal b = triples_[at + 1];
            const Literal c = triples_[at + 2];
            const double pa = last[~a];
            const double pb = last[~b];
            const double pc = last[~c];
            next[a] += pb * pc;
            next[b] += pa * pc;
            next[c] += pa * pb;
        }
        for (std::size_t at = 0; at < longer_.size();) {
            const std::int32_t open = longer_[at].variable().id;
            const std::span<const Literal> group(&longer_[at + 1], static_cast<std::size_t>(open));
            at += 1 + static_cast<std::size_t>(open);
            // Each literal's product of the others, from the products of
            // those before it and of those after it.
            std::array<double, kMaxClauseWidth + 1> before{};
            before[0] = kClausePush[static_cast<std::size_t>(open)];
            for (std::size_t i = 0; i < group.size(); ++i) {
                before[i + 1] = before[i] * last[~group[i]];
            }
            double after = 1;
            for (std::size_t i = group.size(); i-- > 0;) {
                next[group[i]] += before[i] * after;
                after *= last[~group[i]];
            }
        }
        double sum = 0;
        std::int32_t literals = 0;
        for (Variable v; v.id < numVars_; ++v.id) {
            if (score[v] == 0) {
                sum += next[Literal(v, false)] + next[Literal(v, true)];
                literals += 2;
            }
        }
        // An unsatisfied clause at a fixpoint has open literals, and every
        // literal has at least the floor: the sum is positive.
        assert(literals > 0 && sum > 0);
        const double scale = literals / sum;
        for (Variable v; v.id < numVars_; ++v.id) {
            next[Literal(v, false)] *= scale;
            next[Literal(v, true)] *= scale;
        }
        std::swap(pressure_, nextPressure_);
    }
    const IndexedView<Literal, double> pressure = pressure_.view();
    candidates_.clear();
    for (Variable v; v.id < numVars_; ++v.id) {
        if (score[v] == 0) {
            score[v] = mixed(pressure[Literal(v, false)], pressure[Literal(v, true)]);
            candidates_.push_back(v);
        }
    }
    const auto count = static_cast<std::size_t>(std::max(
        kMinCandidates, static_cast<std::int32_t>(candidates_.size()) / kCandidateDivisor));
    const std::size_t kept = std::min(count, candidates_.size());
    std::partial_sort(candidates_.begin(), candidates_.begin() + static_cast<std::ptrdiff_t>(kept),
                      candidates_.end(), [&](Variable a, Variable b) {
                          return score[a] != score[b] ? score[a] > score[b] : a.id < b.id;
                      });
    candidates_.resize(kept);
}

// Makes `literal` true on top of the node, propagates, and takes it back.
// Returns false if that met an empty clause. Otherwise `diff` is the
// weighted count of the clauses it shortened and left unsatisfied, and the
// literals it implied are stamped with the current round; a look-ahead on a
// negated side (`second`) instead collects the stamped literals it implied
// too: those the candidate's both values imply.
template <std::int32_t Width>
bool Lookahead::lookAhead(Literal literal, double& diff, bool second) {
    ++outcome_.lookaheads;
    const auto base = static_cast<std::int32_t>(trail_.size());
    if (++stamp_ == 0) {
        std::fill(clauseStamp_.begin(), clauseStamp_.end(), 0);
        stamp_ = 1;
    }
    shortened_.clear();
    assign(literal);
    const bool consistent = propagate<true, Width>();
    if (consistent) {
        const IndexedView<Literal, std::int8_t> values = values_.view();
        const IndexedView<Literal, double> pressure = pressure_.view();
        diff = 0;
        for (const std::int32_t c : shortened_) {
            // At a consistent fixpoint every false literal is counted, so
            // the clause is left with `open` literals unless one is true. A
            // new binary clause weighs the product of its literals'
            // negations' pressures: the more each of them is pressed to be
            // false, the more the clause constrains.
            const auto lits = clauses_.of<Width>(c);
            const auto open =
                static_cast<std::int32_t>(lits.size()) - falseCount_[static_cast<std::size_t>(c)];
            double weight = kNewClauseWeight[static_cast<std::size_t>(open)];
            for (const Literal other : lits) {
                const std::int8_t value = values[other];
                if (value == kTrue) {
                    weight = 0;
                    break;
                }
                if (open == 2 && value == kOpen) {
                    weight *= pressure[~other];
                }
            }
            diff += weight;
        }
        for (auto at = static_cast<std::size_t>(base) + 1; at < trail_.size(); ++at) {
            const Literal implied = trail_[at];
            if (!second) {
                impliedStamp_[implied] = impliedRound_;
            } else if (impliedStamp_[implied] == impliedRound_) {
                necessary_.push_back(implied);
            }
        }
    }
    undoTo<true>(base);
    return consistent;
}

// Looks ahead on the node's candidates, round after round while a round
// proves a literal, and then names the branch. Returns Conflict when a
// literal proved empties a clause, Satisfied when every clause is, and
// otherwise Branch with the literal to try first in `branch`.
template <std::int32_t Width>
Lookahead::NodeState Lookahead::examineNode(Literal& branch) {
    for (;;) {
        if (unsatisfiedClauses_ == 0) {
            return NodeState::Satisfied;
        }
        preselect<Width>();
        assert(!candidates_.empty() && "an unsatisfied clause at a fixpoint has open variables");
        bool proved = false;
        double best = -1;
        for (const Variable v : candidates_) {
            const Literal plain(v, false);
            if (values_[plain] != kOpen) {
                continue;
            }
            if (++impliedRound_ == 0) {
                impliedStamp_.assign(numVars_, 0);
                impliedRound_ = 1;
            }
            necessary_.clear();
            double plainDiff = 0;
            double negatedDiff = 0;
            if (!lookAhead<Width>(plain, plainDiff, false)) {
                ++outcome_.failedLiterals;
                if (!force<Width>(~plain)) {
                    return NodeState::Conflict;
                }
                proved = true;
                continue;
            }
            if (!lookAhead<Width>(~plain, negatedDiff, true)) {
                ++outcome_.failedLiterals;
                if (!force<Width>(plain)) {
                    return NodeState::Conflict;
                }
                proved = true;
                continue;
            }
            for (const Literal literal : necessary_) {
                // Both sides imply it, so propagating it alone meets no
                // empty clause and cannot make another of them false.
                if (values_[literal] == kOpen) {
                    ++outcome_.necessaryAssignments;
                    [[maybe_unused]] const bool consistent = force<Width>(literal);
                    assert(consistent);
                    proved = true;
                }
            }
            const double score = mixed(plainDiff, negatedDiff);
            if (score > best) {
                best = score;
                branch = plainDiff <= negatedDiff ? plain : ~plain;
            }
        }
        if (!proved) {
            return NodeState::Branch;
        }
    }
}

// Chronological backtracking: undoes the deepest level and tries its
// decision's other value; a level whose both values failed is dropped and
// the one above is tried. Returns false when no level is left, or true at a
// consistent fixpoint.
template <std::int32_t Width>
bool Lookahead::backtrack() {
    while (!levels_.empty()) {
        Level& level = levels_.back();
        undoTo<false>(level.trailSize);
        if (!level.flipped) {
            level.flipped = true;
            assign(~level.decision);
            if (propagate<false, Width>()) {
                return true;
            }
            continue;
        }
        levels_.pop_back();
    }
    return false;
}

}  // namespace satphase
