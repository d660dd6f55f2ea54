#include "solver/solution_count.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cassert>
#include <cmath>

namespace satphase {

namespace {

// How many nodes pass between two looks at the stop flag.
constexpr std::uint64_t kStopCheckInterval = 1024;

}  // namespace

// Digits from the lowest, since a 128-bit count has no stream output; 2^128
// has 39 of them.
std::string countText(SolutionCount count) {
    std::array<char, 40> digits{};
    std::size_t size = 0;
    do {
        digits[size++] = static_cast<char>('0' + static_cast<int>(count % 10));
        count /= 10;
    } while (count != 0);
    std::reverse(digits.begin(), digits.begin() + static_cast<std::ptrdiff_t>(size));
    return {digits.data(), size};
}

// Through double, whose 53 bits leave log2 of any count exact to about 1e-16.
double countLog2(SolutionCount count) {
    assert(count > 0);
    return std::log2(static_cast<double>(count));
}

// Every buffer is sized here: a level for the input and one per decision
// and its propagation along the deepest path, each as large as the input.
SolutionCounter::SolutionCounter(std::int32_t maxVars, std::int32_t maxClauses)
    : maxVars_(maxVars), maxClauses_(std::max(maxClauses, 1)) {
    assert(maxVars >= 0 && maxVars <= kMaxCountedVars && maxClauses >= 0);
    clauses_.resize(static_cast<std::size_t>(maxVars_ + 2) * static_cast<std::size_t>(maxClauses_));
    occurrences_.resize(kMaxCountedVars);
}

SolutionCounter::Outcome SolutionCounter::count(const Formula& formula,
                                                const std::atomic<bool>* stop) {
    assert(formula.numVars >= 0 && formula.numVars <= maxVars_ &&
           formula.clauses.size() <= static_cast<std::size_t>(maxClauses_) &&
           "a formula beyond the sizes the counter was built for");
    outcome_ = Outcome{};
    stop_ = stop;
    Masks* input = levelClauses(0);
    std::int32_t size = 0;
    for (const Clause& clause : formula.clauses) {
        Masks& masks = input[size++];
        masks = Masks{};
        for (std::int32_t k = 0; k < clause.size; ++k) {
            const Literal literal = clause.lits[k];
            assert(literal.variable().id < formula.numVars);
            const VariableSet bit = VariableSet{1} << literal.variable().id;
            assert(((masks.plain | masks.negated) & bit) == 0 && "a variable twice in a clause");
            (literal.negated() ? masks.negated : masks.plain) |= bit;
        }
    }
    const VariableSet all =
        formula.numVars == 64 ? ~VariableSet{0} : (VariableSet{1} << formula.numVars) - 1;
    const SolutionCount solutions = countAfter(0, 0, size, all, 0, 0);
    outcome_.solutions = outcome_.interrupted ? 0 : solutions;
    return outcome_;
}

SolutionCounter::Masks* SolutionCounter::levelClauses(std::int32_t level) {
    assert(level >= 0 && level < maxVars_ + 2);
    return clauses_.data() + static_cast<std::ptrdiff_t>(level) * maxClauses_;
}

// The models over `scope` of level `level`'s clauses begin .. end once the
// variables of trueVars are true and those of falseVars false: the clauses
// left after propagation go to the next level, the variables of the scope
// that are neither assigned nor in one of them are free, and the rest is
// counted by a split.
SolutionCount SolutionCounter::countAfter(std::int32_t level, std::int32_t begin, std::int32_t end,
                                          VariableSet scope, VariableSet trueVars,
                                          VariableSet falseVars) {
    Masks* const left = levelClauses(level + 1);
    bool assigned = false;
    std::int32_t size =
        simplify(levelClauses(level) + begin, end - begin, left, trueVars, falseVars, assigned);
    while (size > 0 && assigned) {
        size = simplify(left, size, left, trueVars, falseVars, assigned);
    }
    if (size < 0) {
        return 0;
    }
    VariableSet open = 0;
    for (std::int32_t c = 0; c < size; ++c) {
        open |= left[c].plain | left[c].negated;
    }
    const VariableSet free = scope & ~(trueVars | falseVars) & ~open;
    const SolutionCount freeModels = SolutionCount{1} << std::popcount(free);
    if (size == 0) {
        return freeModels;
    }
    return freeModels * countComponent(level + 1, 0, size, open);
}

// One decision: a variable of the scope chosen, both its values counted and
// added. Every clause between begin and end is open, with two or more open
// literals, so the count beyond the decision lies in the next level.
SolutionCount SolutionCounter::countComponent(std::int32_t level, std::int32_t begin,
                                              std::int32_t end, VariableSet scope) {
    if (outcome_.interrupted) {
        return 0;
    }
    if (++outcome_.nodes % kStopCheckInterval == 0 && stop_ != nullptr &&
        stop_->load(std::memory_order_relaxed)) {
        outcome_.interrupted = true;
        return 0;
    }
    const VariableSet bit = VariableSet{1}
                            << chooseBranch(levelClauses(level) + begin, end - begin, scope);
    const SolutionCount whenTrue = countAfter(level, begin, end, scope, bit, 0);
    return whenTrue + countAfter(level, begin, end, scope, 0, bit);
}

// One pass of unit propagation: copies the clauses of `in` that the
// assignment does not satisfy to `out` (which may be `in` itself, as a
// clause is never written ahead of where it was read), cut down to their
// literals not yet false, and makes the literal of each unit clause true,
// which satisfies it. `assigned` tells whether a unit was met: a clause
// copied before it may then be satisfied or cut down, and the caller passes
// again. Returns the number of clauses copied, or -1 on a clause with every
// literal false.
std::int32_t SolutionCounter::simplify(const Masks* in, std::int32_t size, Masks* out,
                                       VariableSet& trueVars, VariableSet& falseVars,
                                       bool& assigned) {
    assigned = false;
    std::int32_t kept = 0;
    for (std::int32_t c = 0; c < size; ++c) {
        Masks clause = in[c];
        if (((clause.plain & trueVars) | (clause.negated & falseVars)) != 0) {
            continue;
        }
        clause.plain &= ~falseVars;
        clause.negated &= ~trueVars;
        const VariableSet open = clause.plain | clause.negated;
        if (open == 0) {
            return -1;
        }
        if (std::has_single_bit(open)) {
            trueVars |= clause.plain;
            falseVars |= clause.negated;
            assigned = true;
            continue;
        }
        out[kept++] = clause;
    }
    return kept;
}

// The variable of `scope` with the most occurrences in the clauses, the
// lowest on a tie.
std::int32_t SolutionCounter::chooseBranch(const Masks* clauses, std::int32_t size,
                                           VariableSet scope) {
    for (VariableSet rest = scope; rest != 0; rest &= rest - 1) {
        occurrences_[static_cast<std::size_t>(std::countr_zero(rest))] = 0;
    }
    for (std::int32_t c = 0; c < size; ++c) {
        for (VariableSet vars = clauses[c].plain | clauses[c].negated; vars != 0;
             vars &= vars - 1) {
            ++occurrences_[static_cast<std::size_t>(std::countr_zero(vars))];
        }
    }
    std::int32_t best = -1;
    std::int32_t bestCount = 0;
    for (VariableSet rest = scope; rest != 0; rest &= rest - 1) {
        const std::int32_t v = std::countr_zero(rest);
        if (occurrences_[static_cast<std::size_t>(v)] > bestCount) {
            best = v;
            bestCount = occurrences_[static_cast<std::size_t>(v)];
        }
    }
    assert(best >= 0);
    return best;
}

}  // namespace satphase
