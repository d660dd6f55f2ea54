#include "solver/flip_state.h"

#include <algorithm>
#include <cstddef>

namespace satphase {

std::uint64_t defaultMaxFlips(std::int32_t numVars) {
    constexpr std::uint64_t kFlipsPerVariable = 10000;
    constexpr std::uint64_t kMostFlips = 10000000000ULL;
    return std::min(kFlipsPerVariable * static_cast<std::uint64_t>(std::max(numVars, 0)),
                    kMostFlips);
}

// Every buffer is reserved here for the largest formula, so that load() and
// the flips only refill them.
FlipState::FlipState(std::int32_t maxVars, std::int32_t maxClauses)
    : maxVars_(std::max(maxVars, 1)), maxClauses_(std::max(maxClauses, 1)) {
    assert(maxVars >= 0 && maxClauses >= 0);
    assert(maxVars <= (std::int32_t{1} << (32 - kCountBits)) && "a variable beyond the xor's bits");
    const auto vars = static_cast<std::size_t>(maxVars_);
    const auto clauses = static_cast<std::size_t>(maxClauses_);
    occurrenceStart_.reserve(2 * vars + 1);
    occurrences_.reserve(kClassicClauseWidth * clauses);
    trueLiterals_.reserve(clauses);
    unsat_.reserve(clauses);
    unsatClauses_.reserve(clauses);
    unsatPosition_.reserve(clauses);
    values_.reserve(vars);
    breaks_.reserve(maxVars_);
}

// Every literal's list holds its clauses in ascending order, so that the
// same formula and stream give the same state, hence the same flips.
void FlipState::load(const Formula& formula, XoshiroStream& stream) {
    assert(formula.numVars >= 0 && formula.numVars <= maxVars_ &&
           formula.clauses.size() <= static_cast<std::size_t>(maxClauses_) &&
           "a formula beyond the sizes the state was built for");
    numVars_ = formula.numVars;
    numClauses_ = static_cast<std::int32_t>(formula.clauses.size());
    clauses_ = formula.clauses.data();
    hasEmptyClause_ = std::ranges::any_of(formula.clauses, [](const Clause& clause) {
        assert(clause.size >= 0 && clause.size <= kMaxClauseWidth);
        return clause.size == 0;
    });

    // Counted per literal, summed so that each entry is the end of its
    // literal's list, then filled from the last clause back, which leaves
    // each entry at its list's start and the lists in clause order.
    const auto literalCount = 2 * static_cast<std::size_t>(numVars_);
    occurrenceStart_.assign(literalCount + 1, 0);
    for (const Clause& clause : formula.clauses) {
        for (const Literal literal :
             std::span(clause.lits, static_cast<std::size_t>(clause.size))) {
            assert(literal.variable().id < numVars_ && "a literal beyond the formula");
            ++occurrenceStart_[literal.index()];
        }
    }
    std::int32_t total = 0;
    for (std::size_t l = 0; l < literalCount; ++l) {
        total += occurrenceStart_[l];
        occurrenceStart_[l] = total;
    }
    occurrenceStart_[literalCount] = total;
    occurrences_.resize(static_cast<std::size_t>(total));
    for (std::int32_t c = numClauses_ - 1; c >= 0; --c) {
        for (const Literal literal : literalsOf(c)) {
            occurrences_[static_cast<std::size_t>(--occurrenceStart_[literal.index()])] = c;
        }
    }

    values_.resize(static_cast<std::size_t>(numVars_));
    for (std::int8_t& value : values_) {
        value = static_cast<std::int8_t>(stream.next() & 1);
    }

    breaks_.assign(numVars_, 0);
    trueLiterals_.assign(static_cast<std::size_t>(numClauses_), 0);
    unsatPosition_.resize(static_cast<std::size_t>(numClauses_));
    unsat_.clear();
    unsatClauses_.clear();
    for (std::int32_t c = 0; c < numClauses_; ++c) {
        std::uint32_t& held = trueLiterals_[static_cast<std::size_t>(c)];
        for (const Literal literal : literalsOf(c)) {
            assert(std::count_if(literalsOf(c).begin(), literalsOf(c).end(),
                                 [&](Literal other) {
                                     return other.variable() == literal.variable();
                                 }) == 1 &&
                   "a variable twice in one clause");
            if (isTrue(literal)) {
                held =
                    (held ^ (static_cast<std::uint32_t>(literal.variable().id) << kCountBits)) + 1;
            }
        }
        if ((held & kCountMask) == 0) {
            unsatPosition_[static_cast<std::size_t>(c)] = static_cast<std::int32_t>(unsat_.size());
            unsat_.push_back(c);
            unsatClauses_.push_back(clauses_[c]);
        } else if ((held & kCountMask) == 1) {
            ++breaks_[Variable{static_cast<std::int32_t>(held >> kCountBits)}];
        }
    }
}

// A clause that gains a true literal leaves the unsatisfied list if it had
// none, and the variable becomes its only true one (break + 1); if it had one,
// that one no longer breaks it. A clause that loses one joins the list if it
// had only that, and if one is left, that one now breaks it. The xor of the
// true literals' variables names that one without reading the clause.
void FlipState::flip(Variable variable) {
    std::int8_t& value = values_[variable.index()];
    value = static_cast<std::int8_t>(value ^ 1);
    const Literal madeTrue(variable, value == 0);
    const std::uint32_t shifted = static_cast<std::uint32_t>(variable.id) << kCountBits;
    std::uint32_t* const held = trueLiterals_.data();
    std::int32_t* const position = unsatPosition_.data();
    const IndexedView<Variable, std::int32_t> breaks = breaks_.view();
    const std::int32_t* const occurrences = occurrences_.data();

    const std::int32_t* const starts = occurrenceStart_.data();
    // The clauses of both literals lie side by side: asking for all their
    // words first lets the cache misses overlap, which the branches below,
    // hard to predict, would otherwise keep one after another.
    const std::size_t plain = Literal(variable, false).index();
    for (const std::int32_t* c = occurrences + starts[plain]; c != occurrences + starts[plain + 2];
         ++c) {
#if defined(__GNUC__)
        __builtin_prefetch(held + *c, 1);
#endif
    }
    const std::int32_t* end = occurrences + starts[madeTrue.index() + 1];
    for (const std::int32_t* c = occurrences + starts[madeTrue.index()]; c != end; ++c) {
        const std::uint32_t clause = held[*c];
        held[*c] = (clause ^ shifted) + 1;
        if ((clause & kCountMask) == 0) {
            const std::int32_t last = unsat_.back();
            const auto at = static_cast<std::size_t>(position[*c]);
            unsat_[at] = last;
            unsatClauses_[at] = unsatClauses_.back();
            position[last] = position[*c];
            unsat_.pop_back();
            unsatClauses_.pop_back();
            ++breaks[variable];
        } else if ((clause & kCountMask) == 1) {
            --breaks[Variable{static_cast<std::int32_t>(clause >> kCountBits)}];
        }
    }

    const Literal madeFalse = ~madeTrue;
    end = occurrences + starts[madeFalse.index() + 1];
    for (const std::int32_t* c = occurrences + starts[madeFalse.index()]; c != end; ++c) {
        const std::uint32_t clause = (held[*c] ^ shifted) - 1;
        held[*c] = clause;
        if ((clause & kCountMask) == 0) {
            position[*c] = static_cast<std::int32_t>(unsat_.size());
            unsat_.push_back(*c);
            unsatClauses_.push_back(clauses_[*c]);
            --breaks[variable];
        } else if ((clause & kCountMask) == 1) {
            ++breaks[Variable{static_cast<std::int32_t>(clause >> kCountBits)}];
        }
    }
}

bool FlipState::satisfiesEveryClause() const {
    for (std::int32_t c = 0; c < numClauses_; ++c) {
        const std::span<const Literal> literals = literalsOf(c);
        if (std::none_of(literals.begin(), literals.end(),
                         [this](Literal literal) { return isTrue(literal); })) {
            return false;
        }
    }
    return true;
}

// Recounts everything from the assignment alone and compares.
bool FlipState::consistent() const {
    std::vector<std::int32_t> breaks(static_cast<std::size_t>(numVars_), 0);
    std::int32_t unsatisfied = 0;
    for (std::int32_t c = 0; c < numClauses_; ++c) {
        std::int32_t count = 0;
        std::int32_t variableXor = 0;
        for (const Literal literal : literalsOf(c)) {
            if (isTrue(literal)) {
                ++count;
                variableXor ^= literal.variable().id;
            }
        }
        const std::uint32_t held = trueLiterals_[static_cast<std::size_t>(c)];
        if ((held & kCountMask) != static_cast<std::uint32_t>(count) ||
            (held >> kCountBits) != static_cast<std::uint32_t>(variableXor)) {
            return false;
        }
        if (count == 1) {
            ++breaks[static_cast<std::size_t>(variableXor)];
        }
        if (count == 0) {
            ++unsatisfied;
            const std::int32_t at = unsatPosition_[static_cast<std::size_t>(c)];
            if (at < 0 || at >= unsatisfiedCount() || unsat_[static_cast<std::size_t>(at)] != c ||
                !std::ranges::equal(unsatisfiedLiteralsAt(at), literalsOf(c))) {
                return false;
            }
        }
    }
    for (Variable v; v.id < numVars_; ++v.id) {
        if (breaks_[v] != breaks[v.index()]) {
            return false;
        }
    }
    return unsatisfied == unsatisfiedCount();
}

}  // namespace satphase
