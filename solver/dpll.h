#pragma once

#include <atomic>
#include <cassert>
#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "formula/formula.h"
#include "solver/clause_store.h"
#include "solver/occurrence_index.h"

namespace satphase {

// The Davis–Putnam–Logemann–Loveland procedure as Mitchell, Selman and
// Levesque ran it on random 3-SAT: unit propagation to a fixpoint,
// pure-literal elimination, a branching rule that prefers short clauses, and
// chronological backtracking (no learning, no jumps).
//
// Everything lives on one trail: assigning a literal updates counters of the
// clauses it occurs in, and going back replays the trail in reverse, so no
// node copies its clauses. Per clause: how many of its literals are true and
// how many false; per literal: its branching score below, a weighted count
// of the not yet satisfied clauses it occurs in, which both the pure-literal
// test and the branching rule read, kept up to date so that a decision does
// not pass over every clause. Each decision level keeps a copy of the
// scores (2n numbers), which going back puts in place.
//
// Branching rule: two-sided Jeroslow–Wang. The variable chosen maximises
// J(x) + J(~x), where J(l) sums 2^-len over the unsatisfied clauses that hold
// l, len being the clause's number of open literals; it is tried first with
// the sign of the larger side. Hooker and Vinay (1995) found the two-sided
// form the better of the two, and unlike MOMS it needs no window of "minimum
// size" or tuning constant: the exponential weight already makes the
// shortest clauses dominate, which is what matters on random k-SAT, and it
// applies unchanged to clauses of any length. Scores are exact integers
// (weights 2^(7 - len)), ties go to the lowest variable and then to the true
// value, so every run makes the same choices.
//
// One engine per thread: storage is sized once at construction and reused
// for every formula; a search allocates nothing.
class Dpll {
  public:
    // A literal's branching score (see scores_).
    using Score = std::uint32_t;

    Dpll(std::int32_t maxVars, std::int32_t maxClauses);

    struct Outcome {
        bool satisfiable = false;
        // Decision nodes: each time a variable is chosen to split on, counted
        // once whether one value or both are tried.
        std::uint64_t branches = 0;
        // Literals made true because a clause had no other open literal,
        // input unit clauses included.
        std::uint64_t propagations = 0;
        // Literals made true because their negation occurred in no
        // unsatisfied clause.
        std::uint64_t pureLiterals = 0;
        bool interrupted = false;  // `stop` was raised; the verdict means nothing then
    };

    // Decides `formula`, which must fit the sizes given at construction and
    // hold clauses of 0 .. kMaxClauseWidth literals over distinct variables
    // below numVars. A raised `stop` ends the search within a few thousand
    // decisions and backtracks.
    Outcome decide(const Formula& formula, const std::atomic<bool>* stop = nullptr);

    // After a satisfiable verdict: a value for every variable (1 true, 0
    // false) that satisfies the formula; variables left open are false.
    std::span<const std::int8_t> model() const;

  private:
    // Per literal value: open, true or false.
    static constexpr std::int8_t kOpen = 0;
    static constexpr std::int8_t kTrue = 1;
    static constexpr std::int8_t kFalse = -1;

    struct Level {
        std::int32_t trailSize = 0;  // the trail before the decision
        Literal decision;
        bool flipped = false;  // the second value is being tried
    };

    void load(const Formula& formula);
    bool assignInputUnits(const Formula& formula);
    void assign(Literal literal);
    bool propagate();
    template <std::int32_t Width>
    bool propagateClauses();
    Variable eliminatePureLiterals();
    Literal chooseBranch(Variable best) const;
    bool backtrack();
    void undoTo(std::int32_t trailSize);
    void saveScores(std::size_t level);
    void restoreScores(std::size_t level);

    std::int32_t maxVars_ = 0;
    std::int32_t maxClauses_ = 0;
    std::int32_t numVars_ = 0;
    std::int32_t numClauses_ = 0;
    ClauseStore clauses_;
    OccurrenceIndex occurrences_;

    LiteralMap<std::int8_t> values_;
    // Per clause: how many of its literals are true, and how many false.
    std::vector<std::int32_t> trueCount_;
    std::vector<std::int32_t> falseCount_;
    std::int32_t unsatisfiedClauses_ = 0;
    // Per literal: the sum of 2^(7 - open) over the clauses that hold it
    // and have no true literal counted, open being the clause's literals not
    // yet counted false. For an open literal that is its Jeroslow–Wang score.
    LiteralMap<Score> scores_;
    // Per level, the scores as they stood when its decision was made: going
    // back copies them instead of undoing each weight.
    std::vector<Score> savedScores_;

    // Assigned literals in order; those from propagated_ on are assigned but
    // their clauses' counters not yet updated.
    std::vector<Literal> trail_;
    std::int32_t propagated_ = 0;
    std::vector<Level> levels_;
    std::vector<std::int8_t> model_;

    Outcome outcome_;
    const std::atomic<bool>* stop_ = nullptr;
};

}  // namespace satphase
