#pragma once

#include <array>
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
// After propagation the clauses left often fall apart into components that
// share no variable (Bayardo and Pehoushek 2000): each is counted apart and
// the counts multiply, so that the search tree is a sum of products instead
// of one tree over every variable. Measured side by side in one program
// (components on and off), uniform 3-SAT, 20 formulas per ratio, median
// milliseconds to count one formula, off / on:
//
//   ratio        1            2            3            4            4.26         5
//   40 vars  19.9 / 0.91   9.13 / 2.73  0.51 / 0.47  0.13 / 0.11  0.11 / 0.10  0.08 / 0.08
//   64 vars  > 10 s / 63   2299 / 334   16.7 / 11.2  0.68 / 0.69  0.49 / 0.47  0.40 / 0.39
//
// (At 64 variables and ratio 1, 11 of the 20 counts without components were
// stopped at 10 s.) Components pay 22x and more where formulas have many
// solutions and little to propagate, 7x at ratio 2, and cost nothing
// measurable from ratio 4 on (0.95x to 1.05x). Caching the counts of
// components met before (as Cachet does) cut the nodes 4 to 10 times below
// the threshold but the time only 2x at ratio 1 and 1.3x at ratio 2, and
// took 1.3x to 1.4x longer from ratio 4 on; it is left out.
//
// Branching rule: the variable with the most occurrences in the component's
// clauses, the lowest on a tie; the order of the two values does not matter,
// as both are always counted. Weighting occurrences in two-literal clauses 2
// or 4 times, or by Jeroslow–Wang, needed fewer nodes past the threshold
// (up to 2.4x less time at ratio 5, where a count takes under a millisecond)
// but 1.1x to 1.8x more time at ratio 2 and 1.7x to 3.9x at ratio 1, where
// the longest counts are (10 formulas of 64 variables per ratio).
//
// With at most 64 variables, a set of variables is one word and a clause two
// (the variables it holds plainly, and negated), so that a clause is
// satisfied, cut down or found a unit in a few instructions. A node does not
// change the clauses above it: it writes the clauses it leaves, cut down to
// their open literals and sorted by component, into the next level's buffer,
// and going back is only returning from the call. Levels are at most one per
// decision along a path, so maxVars + 2 buffers of maxClauses clauses (16
// bytes each) are sized at construction, and counting allocates nothing.
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

    // The clauses of one component, begin .. end in their level's buffer, and its variables.
    struct Component {
        std::int32_t begin = 0;
        std::int32_t end = 0;
        VariableSet vars = 0;
    };

    Masks* levelClauses(std::int32_t level);
    Component* levelComponents(std::int32_t level);
    std::int32_t componentOf(const Masks& clause) const;
    std::int32_t split(std::int32_t level, std::int32_t size, VariableSet open);
    SolutionCount countAfter(std::int32_t level, std::int32_t begin, std::int32_t end,
                             VariableSet scope, VariableSet trueVars, VariableSet falseVars);
    SolutionCount countComponent(std::int32_t level, std::int32_t begin, std::int32_t end,
                                 VariableSet scope);
    static std::int32_t simplify(const Masks* in, std::int32_t size, Masks* out,
                                 VariableSet& trueVars, VariableSet& falseVars, VariableSet& open,
                                 bool& assigned);
    std::int32_t chooseBranch(const Masks* clauses, std::int32_t size, VariableSet scope);

    std::int32_t maxVars_ = 0;
    std::int32_t maxClauses_ = 0;
    // Level l's clauses from l * maxClauses_ on.
    std::vector<Masks> clauses_;
    // Level l's components from l * kMaxCountedVars on.
    std::vector<Component> components_;
    // While split() runs: per variable, the variables it shares a clause
    // with, and its component; and the clauses being sorted.
    std::array<VariableSet, kMaxCountedVars> neighbours_{};
    std::array<std::int32_t, kMaxCountedVars> componentOf_{};
    std::vector<Masks> scratch_;

    Outcome outcome_;
    const std::atomic<bool>* stop_ = nullptr;
};

}  // namespace satphase
