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

// A DPLL with look-ahead, the family that decides random k-SAT near its
// threshold with the smallest trees: Li and Anbulagan's Satz, Dubois and
// Dequen's kcnfs, Heule and van Maaren's march. docs/lookahead.md says which
// of their ideas this engine takes and what the alternatives measured.
//
// At every node, after unit propagation to a fixpoint:
//  - preselection: each open literal gets a pressure, how strongly the
//    clauses press it to be true (the recursive weights of kcnfs and march,
//    preselect() below), and only the variables both of whose literals are
//    pressed hardest become candidates;
//  - look-ahead: each candidate's two literals are made true in turn and
//    propagated, and then taken back. A literal whose propagation meets an
//    empty clause has failed: its negation holds at this node and is
//    assigned for good. A literal implied by both sides is a necessary
//    assignment and is assigned as well. Rounds repeat while they assign
//    anything; a node where both sides of a candidate fail has no solution;
//  - the branching rule: a look-ahead's diff weighs the clauses it
//    shortened without satisfying them (the weighted new clauses of march
//    and kcnfs: a new binary clause the product of its literals' negations'
//    pressures, ternary 0.2, then 0.05, 0.01, 0.003), and the variable
//    chosen maximises Satz's product
//    1024 d(x) d(~x) + d(x) + d(~x), which favours a variable both of whose
//    values shrink the formula. The side with the smaller diff, the less
//    constrained one, is tried first.
//
// Everything lives on one trail: a look-ahead's literals go on top of the
// node's and are popped again, so no node copies anything. Per clause it
// keeps how many literals are false (what propagation and the diffs read)
// and, for the assignments of the search itself, how many are true, so that
// a node knows when every clause is satisfied. One engine per thread:
// storage is sized at construction and a search allocates nothing.
class Lookahead {
  public:
    Lookahead(std::int32_t maxVars, std::int32_t maxClauses);

    struct Outcome {
        bool satisfiable = false;
        // Branch points: each time a variable is chosen to split on,
        // counted once whether one value or both are tried.
        std::uint64_t nodes = 0;
        // Literals propagated tentatively by the look-ahead.
        std::uint64_t lookaheads = 0;
        // Look-aheads that met an empty clause, and literals implied by
        // both sides of a candidate; each assigned the literal it proved.
        std::uint64_t failedLiterals = 0;
        std::uint64_t necessaryAssignments = 0;
        bool interrupted = false;  // `stop` was raised; the verdict means nothing then
    };

    // Decides `formula`, which must fit the sizes given at construction and
    // hold clauses of 0 .. kMaxClauseWidth literals over distinct variables
    // below numVars. A raised `stop` ends the search within 256 nodes.
    Outcome decide(const Formula& formula, const std::atomic<bool>* stop = nullptr);

    // After a satisfiable verdict: a value for every variable (1 true, 0
    // false) that satisfies the formula; variables left open are false.
    std::span<const std::int8_t> model() const;

  private:
    static constexpr std::int8_t kOpen = 0;
    static constexpr std::int8_t kTrue = 1;
    static constexpr std::int8_t kFalse = -1;

    struct Level {
        std::int32_t trailSize = 0;  // the trail before the decision
        Literal decision;
        bool flipped = false;  // the second value is being tried
    };

    // What examining a node found.
    enum class NodeState : std::uint8_t { Conflict, Satisfied, Branch };

    void load(const Formula& formula);
    template <std::int32_t Width>
    void search(const Formula& formula, const std::atomic<bool>* stop);
    bool assignInputUnits(const Formula& formula);
    void assign(Literal literal);
    template <bool kTentative, std::int32_t Width>
    bool propagate();
    template <bool kTentative>
    void undoTo(std::int32_t trailSize);
    template <std::int32_t Width>
    bool force(Literal literal);
    template <std::int32_t Width>
    void preselect();
    template <std::int32_t Width>
    bool lookAhead(Literal literal, double& diff, bool second);
    template <std::int32_t Width>
    NodeState examineNode(Literal& branch);
    template <std::int32_t Width>
    bool backtrack();

    std::int32_t maxVars_ = 0;
    std::int32_t maxClauses_ = 0;
    std::int32_t numVars_ = 0;
    std::int32_t numClauses_ = 0;
    ClauseStore clauses_;
    OccurrenceIndex occurrences_;

    LiteralMap<std::int8_t> values_;
    std::vector<std::int32_t> falseCount_;
    std::vector<std::int32_t> trueCount_;  // the search's assignments only
    std::int32_t unsatisfiedClauses_ = 0;

    std::vector<Literal> trail_;
    std::int32_t propagated_ = 0;
    std::vector<Level> levels_;

    // Preselection: each literal's pressure (and the next round's), each
    // variable's rank, and the candidates best first.
    LiteralMap<double> pressure_;
    LiteralMap<double> nextPressure_;
    VariableMap<double> score_;
    // The open literals of the node's unsatisfied clauses by their number:
    // two by two, three by three, and longer ones each after its length.
    std::vector<Literal> pairs_;
    std::vector<Literal> triples_;
    std::vector<Literal> longer_;
    std::vector<Variable> candidates_;
    // The clauses a look-ahead shortened, each once (stamped per clause).
    std::vector<std::int32_t> shortened_;
    std::vector<std::uint32_t> clauseStamp_;
    std::uint32_t stamp_ = 0;
    // The literals the last look-ahead on a candidate's plain side implied,
    // stamped, and those its negated side implied as well.
    LiteralMap<std::uint32_t> impliedStamp_;
    std::uint32_t impliedRound_ = 0;
    std::vector<Literal> necessary_;

    std::vector<std::int8_t> model_;
    Outcome outcome_;
};

}  // namespace satphase
