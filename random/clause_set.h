#pragma once

#include <algorithm>
#include <bit>
#include <cassert>
#include <cstddef>
#include <cstdint>

#include "formula/formula.h"

namespace satphase {

// A full 3-literal clause as one number, so that a generator can ask whether
// a candidate equals a clause it already holds without comparing it with
// every clause. Both generators of the classic model keep their full clauses
// in a ClauseSet of these.
using PackedClause = std::uint64_t;

// The largest literal code that packs into 21 bits as code + 1.
inline constexpr std::int32_t kMaxPackedLiteral = (1 << 21) - 2;
static_assert(Literal(Variable{kMaxFormulaVars - 1}, true).code() <= kMaxPackedLiteral);

// The three literals, ordered by variable, in 21 bits each as code + 1:
// equal clauses give equal numbers, different ones different numbers, and
// none gives 0, which ClauseSet keeps for a free slot.
constexpr PackedClause packClause(Literal first, Literal second, Literal third) {
    assert(first.code() >= 0 && first.variable() < second.variable() &&
           second.variable() < third.variable() && third.code() <= kMaxPackedLiteral);
    return (PackedClause(first.code()) + 1U) << 42U | (PackedClause(second.code()) + 1U) << 21U |
           (PackedClause(third.code()) + 1U);
}

// An open-addressing hash set of packed clauses in storage of its own: a
// std::array of a fixed number of slots, for the classic generator, which
// must not touch the heap, or a std::vector sized once, for the engine's. It
// uses a power of two of its slots, chosen anew at each reset. Fibonacci
// hashing takes the top bits of the key times 2^64 / phi as the first slot,
// and a collision moves on to the next free slot; keeping at most half the
// slots taken keeps those runs short.
template <typename Storage>
class ClauseSet {
  public:
    // Storage for `slots` slots, all in use and free.
    explicit ClauseSet(std::size_t slots) {
        if constexpr (requires { slots_.resize(slots); }) {
            slots_.resize(slots);
        }
        reset(slots);
    }

    // Empties the set into the first `slots` slots, a power of two from 2 up
    // to the storage's size.
    void reset(std::size_t slots) {
        assert(slots >= 2 && slots <= slots_.size() && std::has_single_bit(slots));
        std::fill_n(slots_.begin(), slots, PackedClause{0});
        mask_ = slots - 1;
        shift_ = 64 - std::countr_zero(slots);
    }

    bool contains(PackedClause key) const {
        for (std::size_t slot = firstSlot(key);; slot = (slot + 1) & mask_) {
            if (slots_[slot] == key) {
                return true;
            }
            if (slots_[slot] == 0) {
                return false;
            }
        }
    }

    // Adds a key that is not in the set yet; a slot in use must still be free.
    void insert(PackedClause key) {
        assert(key != 0 && !contains(key));
        std::size_t slot = firstSlot(key);
        for (std::size_t probes = 0; slots_[slot] != 0; ++probes) {
            assert(probes < mask_ && "no free slot left");
            slot = (slot + 1) & mask_;
        }
        slots_[slot] = key;
    }

  private:
    std::size_t firstSlot(PackedClause key) const {
        return static_cast<std::size_t>((key * 0x9E3779B97F4A7C15ULL) >> shift_);
    }

    Storage slots_;  // a key, or 0 for a free slot; those beyond mask_ unused
    std::size_t mask_ = 0;
    int shift_ = 64;
};

}  // namespace satphase
