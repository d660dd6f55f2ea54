#pragma once

#include <atomic>
#include <cstdint>
#include <string>
#include <vector>

#include "formula/formula.h"

namespace satphase {

// The most variables a formula may have to be counted: a set of them is one
// 64-bit word.
inline constexpr std::int32_t kMaxCountedVars = 64;
// A number of solutions: up to 2^64 (64 variables and no clause), one more
// than uint64 holds.
__extension__ using SolutionCount = unsigned __int128;

// The decimal text of a count ("18446744073709551616").
std::string countText(SolutionCount count);
// log2 of a count (count > 0).
double countLog2(SolutionCount count);

// The exact number of satisfying assignments of a small formula, by the
// counting Davis–Putnam search of Birnbaum and Lozinskii (1999): unit
// propagation, and a split on a variable whose two branches' counts add up.
// When every clause of a branch is satisfied, the variables still unassigned
// are free and multiply its count by 2^free; so are those that no clause left
// holds, at any node.
//
// Branching rule: the variable with the most occurrences in the clauses not
// yet satisfied, the lowest on a tie; the order of the two values does not
// matter, as both are always counted.
//
// With at most 64 variables, a set of variables is one word and a clause two
// (the variables it holds plainly, and negated), so that a clause is
// satisfied, cut down or found a unit in a few instructions. A node does not
// change the clauses above it: it writes the clauses it leaves, cut down to
// their open literals, into its own level's buffer, and going back is only
// returning from the call. Levels are at most one per decision along a path,
// so numVars + 2 buffers of maxClauses clauses each are sized at
// construction, and counting allocates nothing.
class SolutionCounter {
  public:
    // Buffers for formulas of up to maxVars (<= kMaxCountedVars) variables
    // and maxClauses clauses.
    SolutionCounter(std::int32_t maxVars, std::int32_t maxClauses);

    struct Outcome {
        SolutionCount solutions = 0;
        std::uint64_t nodes = 0;   // decisions of the counting search (its cost)
        bool interrupted = false;  // `stop` was raised; the count means nothing then
    };

    // The exact number of assignments of all formula.numVars variables that
    // satisfy every clause. The formula must fit the sizes given at
    // construction and hold clauses of 0 .. kMaxClauseWidth literals over
    // distinct variables. A raised `stop` ends the count within 1024 nodes.
    Outcome count(const Formula& formula, const std::atomic<bool>* stop = nullptr);

  private:
    // A set of variables: variable v is bit v.
    using VariableSet = std::uint64_t;

    // A clause as the variables it holds plainly and those it holds negated.
    struct Masks {
        VariableSet plain = 0;
        VariableSet negated = 0;
    };

    Masks* levelClauses(std::int32_t level);
    SolutionCount countAfter(std::int32_t level, std::int32_t begin, std::int32_t end,
                             VariableSet scope, VariableSet trueVars, VariableSet falseVars);
    SolutionCount countComponent(std::int32_t level, std::int32_t begin, std::int32_t end,
                                 VariableSet scope);
    static std::int32_t simplify(const Masks* in, std::int32_t size, Masks* out,
                                 VariableSet& trueVars, VariableSet& falseVars, bool& assigned);
    std::int32_t chooseBranch(const Masks* clauses, std::int32_t size, VariableSet scope);

    std::int32_t maxVars_ = 0;
    std::int32_t maxClauses_ = 0;
    // Level l's clauses from l * maxClauses_ on.
    std::vector<Masks> clauses_;
    // Per variable: its occurrences, while a branch is chosen.
    std::vector<std::int32_t> occurrences_;

    Outcome outcome_;
    const std::atomic<bool>* stop_ = nullptr;
};

}  // namespace satphase
