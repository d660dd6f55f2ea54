#include "solver/solution_count.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cassert>
#include <cmath>
#include <cstddef>

namespace satphase {

namespace {

// How many nodes pass between two looks at the stop flag.
constexpr std::uint64_t kStopCheckInterval = 1024;

// Bits of a variable's count of occurrences: one more than kMaxFormulaClauses needs.
constexpr std::size_t kCountPlanes = 18;
static_assert(kMaxFormulaClauses < (1 << (kCountPlanes - 1)));

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
    assert(maxVars >= 0 && maxVars <= kMaxCountedVars && maxClauses >= 0 &&
           maxClauses <= kMaxFormulaClauses);
    clauses_.resize(static_cast<std::size_t>(maxVars_ + 2) * static_cast<std::size_t>(maxClauses_));
    components_.resize(static_cast<std::size_t>(maxVars_ + 2) * kMaxCountedVars);
    scratch_.resize(static_cast<std::size_t>(maxClauses_));
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

SolutionCounter::Component* SolutionCounter::levelComponents(std::int32_t level) {
    assert(level >= 0 && level < maxVars_ + 2);
    return components_.data() + static_cast<std::ptrdiff_t>(level) * kMaxCountedVars;
}

// The component of a clause: that of its lowest variable, as split() numbered them.
std::int32_t SolutionCounter::componentOf(const Masks& clause) const {
    return componentOf_[static_cast<std::size_t>(std::countr_zero(clause.plain | clause.negated))];
}

// The models over `scope` of level `level`'s clauses begin .. end once the
// variables of trueVars are true and those of falseVars false: the clauses
// left after propagation go to the next level, the variables of the scope
// that are neither assigned nor in one of them are free, and each component
// of the clauses left is counted by a split, the counts multiplied. A
// component without models makes the rest not worth counting.
SolutionCount SolutionCounter::countAfter(std::int32_t level, std::int32_t begin, std::int32_t end,
                                          VariableSet scope, VariableSet trueVars,
                                          VariableSet falseVars) {
    Masks* const left = levelClauses(level + 1);
    bool assigned = false;
    VariableSet open = 0;
    std::int32_t size = simplify(levelClauses(level) + begin, end - begin, left, trueVars,
                                 falseVars, open, assigned);
    while (size > 0 && assigned) {
        size = simplify(left, size, left, trueVars, falseVars, open, assigned);
    }
    if (size < 0) {
        return 0;
    }
    const VariableSet free = scope & ~(trueVars | falseVars) & ~open;
    const SolutionCount freeModels = SolutionCount{1} << std::popcount(free);
    if (size == 0) {
        return freeModels;
    }
    const std::int32_t components = split(level + 1, size, open);
    SolutionCount models = freeModels;
    for (std::int32_t i = 0; i < components; ++i) {
        const Component& component = levelComponents(level + 1)[i];
        const SolutionCount count =
            countComponent(level + 1, component.begin, component.end, component.vars);
        if (count == 0) {
            return 0;
        }
        models *= count;
    }
    return models;
}

// Finds the connected components of the clauses (two clauses are connected
// when they share a variable), as sets of variables grown from each one's
// lowest variable through the variables that share a clause, and sorts the
// clauses by component, stably, so that each component's clauses lie side by
// side. Returns the number of components.
std::int32_t SolutionCounter::split(std::int32_t level, std::int32_t size, VariableSet open) {
    Masks* const clauses = levelClauses(level);
    Component* const components = levelComponents(level);
    // Most often the clauses hang together: a few passes that take in every
    // clause meeting the component grown from the first one tell so.
    VariableSet grown = clauses[0].plain | clauses[0].negated;
    for (VariableSet before = 0; grown != before && grown != open;) {
        before = grown;
        for (std::int32_t c = 1; c < size; ++c) {
            const VariableSet vars = clauses[c].plain | clauses[c].negated;
            if ((vars & grown) != 0) {
                grown |= vars;
            }
        }
    }
    if (grown == open) {
        components[0] = Component{0, size, open};
        return 1;
    }
    for (VariableSet rest = open; rest != 0; rest &= rest - 1) {
        neighbours_[static_cast<std::size_t>(std::countr_zero(rest))] = 0;
    }
    for (std::int32_t c = 0; c < size; ++c) {
        const VariableSet vars = clauses[c].plain | clauses[c].negated;
        for (VariableSet rest = vars; rest != 0; rest &= rest - 1) {
            neighbours_[static_cast<std::size_t>(std::countr_zero(rest))] |= vars;
        }
    }
    std::int32_t found = 0;
    for (VariableSet rest = open; rest != 0;) {
        VariableSet component = rest & (~rest + 1);
        for (VariableSet frontier = component; frontier != 0;) {
            const VariableSet added =
                neighbours_[static_cast<std::size_t>(std::countr_zero(frontier))] & ~component;
            frontier = (frontier & (frontier - 1)) | added;
            component |= added;
        }
        rest &= ~component;
        for (VariableSet vars = component; vars != 0; vars &= vars - 1) {
            componentOf_[static_cast<std::size_t>(std::countr_zero(vars))] = found;
        }
        components[found++] = Component{0, 0, component};
    }
    if (found == 1) {
        components[0].end = size;
        return 1;
    }
    // A counting sort: sizes, then each component's start, then the clauses
    // copied back from the scratch buffer, `end` running from the start.
    for (std::int32_t c = 0; c < size; ++c) {
        scratch_[static_cast<std::size_t>(c)] = clauses[c];
        ++components[componentOf(clauses[c])].begin;
    }
    std::int32_t start = 0;
    for (std::int32_t i = 0; i < found; ++i) {
        const std::int32_t clausesIn = components[i].begin;
        components[i].begin = components[i].end = start;
        start += clausesIn;
    }
    for (std::int32_t c = 0; c < size; ++c) {
        const Masks& clause = scratch_[static_cast<std::size_t>(c)];
        clauses[components[componentOf(clause)].end++] = clause;
    }
    return found;
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
// literal false. `open` gathers the variables of the clauses copied.
// The three sets are one step's state, passed together at both calls.
// NOLINTBEGIN(bugprone-easily-swappable-parameters)
std::int32_t SolutionCounter::simplify(const Masks* in, std::int32_t size, Masks* out,
                                       VariableSet& trueVars, VariableSet& falseVars,
                                       VariableSet& open, bool& assigned) {
    // NOLINTEND(bugprone-easily-swappable-parameters)
    assigned = false;
    open = 0;
    std::int32_t kept = 0;
    for (std::int32_t c = 0; c < size; ++c) {
        Masks clause = in[c];
        if (((clause.plain & trueVars) | (clause.negated & falseVars)) != 0) {
            continue;
        }
        clause.plain &= ~falseVars;
        clause.negated &= ~trueVars;
        const VariableSet vars = clause.plain | clause.negated;
        if (vars == 0) {
            return -1;
        }
        if ((vars & (vars - 1)) == 0) {
            trueVars |= clause.plain;
            falseVars |= clause.negated;
            assigned = true;
            continue;
        }
        open |= vars;
        out[kept++] = clause;
    }
    return kept;
}

// The variable with the most occurrences in the clauses, the lowest on a
// tie. The occurrences are counted in vertical counters, bit v of plane p
// being bit p of variable v's count, so that a clause adds one to each of its
// variables at once, a carry rippling up the planes; the largest count is
// then found from the top plane down, keeping the variables that have a bit
// where any still kept has one.
std::int32_t SolutionCounter::chooseBranch(const Masks* clauses, std::int32_t size,
                                           VariableSet scope) {
    std::array<VariableSet, kCountPlanes> planes{};
    std::size_t used = 0;
    for (std::int32_t c = 0; c < size; ++c) {
        std::size_t p = 0;
        for (VariableSet carry = clauses[c].plain | clauses[c].negated; carry != 0; ++p) {
            const VariableSet before = planes[p];
            planes[p] = before ^ carry;
            carry &= before;
        }
        used = std::max(used, p);
    }
    VariableSet best = scope;
    while (used > 0) {
        const VariableSet high = best & planes[--used];
        if (high != 0) {
            best = high;
        }
    }
    assert(best != 0);
    return std::countr_zero(best);
}

}  // namespace satphase
