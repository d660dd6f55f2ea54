#pragma once

#include <atomic>
#include <cstdint>
#include <optional>
#include <span>

#include "formula/formula.h"
#include "solver/flip_state.h"

namespace satphase {

// WalkSAT with Selman, Kautz and Cohen's rule, SKC ("Noise strategies for
// improving local search", AAAI 1994): draw an unsatisfied clause uniformly;
// if flipping one of its literals breaks no clause (a freebie), flip one of
// those; otherwise, with probability `noise`, flip a literal of the clause
// drawn uniformly, and else one of least break count. Ties are drawn
// uniformly.
//
// One engine per thread, storage sized at construction or borrowed, as
// ProbSat.
class WalkSat {
  public:
    // The noise that solves uniform 3-SAT near ratio 4.2 in the fewest flips,
    // as Seitz, Alava and Orponen measured it ("Focused local search for
    // random 3-satisfiability", J. Stat. Mech. 2005): 0.567.
    static constexpr double kDefaultNoise = 0.567;

    WalkSat(std::int32_t maxVars, std::int32_t maxClauses, double noise = kDefaultNoise);
    // Searches in `shared`, which must outlive the engine (see ProbSat).
    explicit WalkSat(FlipState& shared, double noise = kDefaultNoise);
    WalkSat(const WalkSat&) = delete;
    WalkSat& operator=(const WalkSat&) = delete;

    // Takes a new noise (0 .. 1) for the next searches.
    void setNoise(double noise);

    using Outcome = LocalSearchOutcome;

    // As ProbSat::solve.
    Outcome solve(const Formula& formula, std::uint64_t seed, std::uint64_t maxFlips,
                  const std::atomic<bool>* stop = nullptr);

    // The last search's assignment: a model of its formula when it was solved.
    std::span<const std::int8_t> model() const { return state_->assignment(); }

    // The state the search left, for tests.
    const FlipState& state() const { return *state_; }

  private:
    Variable pick(XoshiroStream& stream) const;

    std::optional<FlipState> owned_;
    FlipState* state_;
    double noise_ = kDefaultNoise;
};

}  // namespace satphase
