#pragma once

#include <cassert>
#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "formula/formula.h"

namespace satphase {

// A formula's clauses laid out one after another in one array, for the
// complete searches that read them at every propagation: clause c from
// start(c) to start(c + 1). When every clause has the same number of
// literals, width() says how many, and of<Width>() finds a clause at
// c * Width with a length the compiler knows, so that the loops over its
// literals unroll; a search compiled once for the models' three literals and
// once for any width (Width 0) spends most of its time in the first.
//
// Storage is reserved at construction for the largest formula and load()
// only refills it.
class ClauseStore {
  public:
    explicit ClauseStore(std::int32_t maxClauses);

    // Copies `formula`'s clauses, in their order.
    void load(const Formula& formula);

    std::int32_t size() const { return static_cast<std::int32_t>(starts_.size()) - 1; }
    // Every clause's number of literals, or 0 if they differ (or there is no clause).
    std::int32_t width() const { return width_; }

    std::span<const Literal> of(std::int32_t clause) const {
        assert(clause >= 0 && clause < size());
        return {literals_.data() + starts_[static_cast<std::size_t>(clause)],
                literals_.data() + starts_[static_cast<std::size_t>(clause) + 1]};
    }

    // Clause c's literals: Width 0 reads where they start and end; a positive
    // Width must be width().
    template <std::int32_t Width>
    auto of(std::int32_t clause) const {
        if constexpr (Width == 0) {
            return of(clause);
        } else {
            assert(clause >= 0 && clause < size() && width_ == Width);
            return std::span<const Literal, Width>(
                literals_.data() + static_cast<std::ptrdiff_t>(Width) * clause, Width);
        }
    }

  private:
    std::vector<Literal> literals_;
    std::vector<std::int32_t> starts_;
    std::int32_t width_ = 0;
};

}  // namespace satphase
