#pragma once

#include <atomic>
#include <cassert>
#include <cstdint>
#include <span>
#include <vector>

#include "formula/formula.h"
#include "random/xoshiro_stream.h"

namespace satphase {

// What a local search keeps about a complete assignment, shared by the
// probSAT and WalkSAT rules (docs/local-search.md): the assignment itself;
// per clause how many of its literals are true and the xor of the variables
// of those, which names the only true one when there is one; the unsatisfied
// clauses in an indexed list (an array and each clause's position in it), so
// that a clause enters or leaves it in constant time and one is drawn
// uniformly by its position; and per variable its break count, the clauses in
// which it is the only true literal, which flipping it would falsify.
//
// The clauses each literal occurs in lie one after another in one array
// (compressed sparse rows); the clauses' literals are read from the formula.
// A flip visits the clauses of the variable's two literals once, so its cost
// is the variable's occurrences, which at a fixed clause ratio does not grow
// with the formula.
//
// The unsatisfied list also keeps a copy of each clause it holds, so that a
// pick reads the clause's literals from the short list, which stays in the
// cache, instead of from the formula, a miss to main memory in large
// formulas that the rest of the flip would wait for.
//
// Storage is sized at construction for the largest formula, and load() only
// refills it: nothing is allocated while a search runs. At k = 3 that is 24
// bytes per clause and 13 per variable, plus 32 for each clause unsatisfied
// at once (an eighth of them at the start, about 4 bytes a clause): 31 per
// clause at ratio 4.2, and 63 with the formula's own 32
// (docs/local-search.md lists them).
class FlipState {
  public:
    // Formulas of up to maxVars variables and maxClauses clauses, of up to
    // kMaxClauseWidth literals each (3 or fewer on average: the occurrence
    // array takes 3 per clause and grows only for wider formulas).
    FlipState(std::int32_t maxVars, std::int32_t maxClauses);

    // Lays out `formula`, whose clauses hold literals over distinct variables
    // below its numVars, and starts from an assignment drawn from `stream`:
    // for each variable in order, the lowest bit of one draw.
    void load(const Formula& formula, XoshiroStream& stream);

    // Makes `variable` take the other value, and updates every count.
    void flip(Variable variable);

    std::int32_t numVars() const { return numVars_; }
    bool hasEmptyClause() const { return hasEmptyClause_; }
    std::int32_t unsatisfiedCount() const { return static_cast<std::int32_t>(unsat_.size()); }
    // The unsatisfied clause at `position` (0 .. unsatisfiedCount() - 1) of
    // the list, whose order depends on the flips made so far.
    std::int32_t unsatisfiedAt(std::int32_t position) const {
        assert(position >= 0 && position < unsatisfiedCount());
        return unsat_[static_cast<std::size_t>(position)];
    }
    // The literals of the unsatisfied clause at `position`, read from the
    // list's own copy of the clause.
    std::span<const Literal> unsatisfiedLiteralsAt(std::int32_t position) const {
        assert(position >= 0 && position < unsatisfiedCount());
        const Clause& held = unsatClauses_[static_cast<std::size_t>(position)];
        return {held.lits, static_cast<std::size_t>(held.size)};
    }
    std::span<const Literal> literalsOf(std::int32_t clause) const {
        assert(clause >= 0 && clause < numClauses_);
        const Clause& held = clauses_[clause];
        return {held.lits, static_cast<std::size_t>(held.size)};
    }
    std::int32_t breakCount(Variable variable) const { return breaks_[variable]; }
    bool isTrue(Literal literal) const {
        return (values_[literal.variable().index()] != 0) != literal.negated();
    }

    // The assignment, 1 true and 0 false per variable.
    std::span<const std::int8_t> assignment() const { return {values_.data(), values_.size()}; }

    // Whether every count, the unsatisfied list, each clause's position in it
    // and the list's copy of it equal what a recomputation from the
    // assignment gives. For tests: it
    // allocates.
    bool consistent() const;

    // Whether the assignment makes a literal of every clause true, read from
    // the clauses themselves, not the counts; allocates nothing, so that a
    // search can assert it.
    bool satisfiesEveryClause() const;

  private:
    std::int32_t maxVars_;
    std::int32_t maxClauses_;
    std::int32_t numVars_ = 0;
    std::int32_t numClauses_ = 0;
    bool hasEmptyClause_ = false;

    // The loaded formula's clauses, read where they lie when one joins the
    // unsatisfied list. The formula must outlive the search.
    const Clause* clauses_ = nullptr;
    // Literal l's clauses are occurrences_[occurrenceStart_[l] .. occurrenceStart_[l + 1]).
    std::vector<std::int32_t> occurrenceStart_;
    std::vector<std::int32_t> occurrences_;

    // Per clause, in one word because a flip reads both: the xor of the true
    // literals' variables, shifted past the count of them in the low bits.
    // A literal made true or false xors its variable in and adds or takes
    // one, which never carries out of the count's bits (a count is at most
    // kMaxClauseWidth). Half the size of two words, it halves the cache
    // misses at a million variables.
    static constexpr int kCountBits = 3;
    static constexpr std::uint32_t kCountMask = (1U << kCountBits) - 1;
    std::vector<std::uint32_t> trueLiterals_;
    std::vector<std::int32_t> unsat_;
    std::vector<Clause> unsatClauses_;         // a copy of each unsatisfied clause, beside unsat_
    std::vector<std::int32_t> unsatPosition_;  // meaningful only while unsatisfied

    std::vector<std::int8_t> values_;  // per variable, 1 true and 0 false
    VariableMap<std::int32_t> breaks_;
};

// What a local search found. An unsolved formula is unknown, never
// unsatisfiable: the search only stopped looking.
struct LocalSearchOutcome {
    bool solved = false;
    std::uint64_t flips = 0;
    bool interrupted = false;  // `stop` was raised before the formula was solved
};

// The flip budget a caller that has no better idea gives a formula of
// numVars variables: 10^4 flips per variable, at most 10^10. Below ratio 4
// uniform 3-SAT takes a few dozen flips per variable; near 4.2 the flips
// needed grow faster than n, and formulas of 10^4 variables may need more
// (docs/local-search.md has the measurements). The cap keeps a
// million-variable formula to hours; the stop flag cuts it shorter.
std::uint64_t defaultMaxFlips(std::int32_t numVars);

// How many flips pass between two looks at the stop flag.
inline constexpr std::uint64_t kStopCheckInterval = 4096;

// The loop both rules share: while a clause is unsatisfied and the budget
// lasts, flip the variable `pick` chooses (a variable of an unsatisfied
// clause). A formula with an empty clause is given up at once, 0 flips.
template <typename Pick>
LocalSearchOutcome runFlips(FlipState& state, std::uint64_t maxFlips, const std::atomic<bool>* stop,
                            Pick&& pick) {
    LocalSearchOutcome outcome;
    if (state.hasEmptyClause()) {
        return outcome;
    }
    while (state.unsatisfiedCount() > 0) {
        if (outcome.flips == maxFlips) {
            return outcome;
        }
        if (outcome.flips % kStopCheckInterval == 0 && stop != nullptr &&
            stop->load(std::memory_order_relaxed)) {
            outcome.interrupted = true;
            return outcome;
        }
        state.flip(pick());
        ++outcome.flips;
    }
    assert(state.satisfiesEveryClause() && "a model that does not satisfy its formula");
    outcome.solved = true;
    return outcome;
}

}  // namespace satphase
