#pragma once

#include <cassert>
#include <compare>
#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

namespace satphase {

// Formulas for the commands that go beyond the classic report's fixed
// capacities (up to kMaxFormulaVars variables and kMaxFormulaClauses
// clauses): sweeps, DIMACS files and the search engines behind them.

// A variable, 0 .. numVars - 1. A type of its own, not a bare integer, so
// that a variable cannot be passed where a literal or a clause index is
// meant, and a table indexed by variables (VariableMap) takes nothing else.
struct Variable {
    std::int32_t id = 0;

    // The variable's position in a table of one entry per variable.
    constexpr std::size_t index() const {
        assert(id >= 0 && "a variable is never negative");
        return static_cast<std::size_t>(id);
    }

    friend constexpr bool operator==(Variable, Variable) = default;
    friend constexpr std::strong_ordering operator<=>(Variable a, Variable b) {
        return a.id <=> b.id;
    }
};

// A variable or its negation, held as one integer: 2 * variable + 1 when
// negated, 2 * variable when plain, so that a literal and its negation differ
// only in the lowest bit, and the literals of one variable sit side by side
// in a table indexed by literals (LiteralMap). Literals order by variable
// first, the plain one before the negated one.
class Literal {
  public:
    // The plain literal of variable 0, as in a clause not yet filled.
    constexpr Literal() = default;

    constexpr Literal(Variable variable, bool negated)
        : code_(2 * variable.id + (negated ? 1 : 0)) {
        assert(variable.id >= 0 && "a variable is never negative");
    }

    constexpr Variable variable() const { return Variable{code_ >> 1}; }
    constexpr bool negated() const { return (code_ & 1) != 0; }

    // The literal of the same variable with the other sign.
    constexpr Literal operator~() const {
        Literal negation;
        negation.code_ = code_ ^ 1;
        return negation;
    }

    // The code 2 * variable + negated, and the same as a table position.
    constexpr std::int32_t code() const { return code_; }
    constexpr std::size_t index() const { return static_cast<std::size_t>(code_); }

    // As DIMACS writes it: the variable counted from 1, negative when negated.
    constexpr std::int32_t dimacs() const {
        return negated() ? -(variable().id + 1) : variable().id + 1;
    }

    friend constexpr bool operator==(Literal, Literal) = default;
    friend constexpr std::strong_ordering operator<=>(Literal a, Literal b) {
        return a.code_ <=> b.code_;
    }

  private:
    std::int32_t code_ = 0;
};

// A view of a table indexed by variables or literals: what a search's inner
// loop reads through, so that the table's storage is loaded once instead of
// at every access (a byte written through the table may alias anything).
// Every access checks its bound while assertions are on.
template <typename Key, typename T>
class IndexedView {
  public:
    constexpr IndexedView(T* data, std::size_t size) : data_(data), size_(size) {}

    constexpr T& operator[](Key key) const {
        assert(key.index() < size_ && "a key beyond the table");
        return data_[key.index()];
    }

  private:
    T* data_;
    std::size_t size_;
};

// A table with an entry per variable (PerVariable 1, VariableMap) or per
// literal (PerVariable 2, LiteralMap), as MiniSat keeps its per-variable and
// per-literal data: a std::vector indexed by the typed key alone, with the
// bound asserted. Sized in variables, so that a literal map of n variables
// holds the 2n literals of 0 .. n - 1. Storage is reserved once and reused.
template <typename Key, typename T, std::size_t PerVariable>
class IndexedMap {
  public:
    // Reserves room for maps of up to maxVars variables.
    void reserve(std::int32_t maxVars) { values_.reserve(slots(maxVars)); }
    // numVars variables' entries, each `value`.
    void assign(std::int32_t numVars, const T& value) { values_.assign(slots(numVars), value); }
    // numVars variables' entries, those already there kept.
    void resize(std::int32_t numVars) { values_.resize(slots(numVars)); }

    T& operator[](Key key) {
        assert(key.index() < values_.size() && "a key beyond the table");
        return values_[key.index()];
    }
    const T& operator[](Key key) const {
        assert(key.index() < values_.size() && "a key beyond the table");
        return values_[key.index()];
    }

    IndexedView<Key, T> view() { return {values_.data(), values_.size()}; }
    // Every entry, in key order: for copying the whole table at once.
    std::span<T> entries() { return values_; }
    std::span<const T> entries() const { return values_; }

  private:
    static std::size_t slots(std::int32_t numVars) {
        assert(numVars >= 0);
        return PerVariable * static_cast<std::size_t>(numVars);
    }

    std::vector<T> values_;
};

template <typename T>
using VariableMap = IndexedMap<Variable, T, 1>;
template <typename T>
using LiteralMap = IndexedMap<Literal, T, 2>;

// Literals in a full clause of the classic model, which its generator fills
// every clause up to.
inline constexpr std::int32_t kClassicClauseWidth = 3;
// The most literals a clause can hold: the random models draw clauses of 2 to
// 7 literals, and DIMACS files may mix any lengths up to that.
inline constexpr std::int32_t kMaxClauseWidth = 7;

// The largest formulas the commands accept. The search's cost, not its
// storage, is what limits useful sizes long before these.
inline constexpr std::int32_t kMaxFormulaVars = 1000;
inline constexpr std::int32_t kMaxFormulaClauses = 100000;

// The most variables and clauses a formula may have for a task.
struct FormulaLimits {
    std::int32_t vars = kMaxFormulaVars;
    std::int32_t clauses = kMaxFormulaClauses;
    friend constexpr bool operator==(FormulaLimits, FormulaLimits) = default;
};
// Formulas to decide: the complete solvers' limits, above.
inline constexpr FormulaLimits kDecidedLimits{};
// Formulas only a local search is given (probsat, walksat): its storage is
// a few tens of bytes a clause and its flips cost the same at any size, so
// it takes formulas a thousand times larger. The classic model keeps its own
// limits whatever the solver.
inline constexpr FormulaLimits kSearchedLimits{1000000, 10000000};

// Up to seven literals over distinct variables; `size` of them are in use.
struct Clause {
    Literal lits[kMaxClauseWidth] = {};
    std::int32_t size = 0;
};

// A conjunction of clauses over the variables 0 .. numVars - 1. Its storage
// is reused: a caller that reserves the clause capacity once can refill the
// same value without touching the heap.
struct Formula {
    std::int32_t numVars = 0;
    std::vector<Clause> clauses;
};

}  // namespace satphase
