#pragma once

#include <array>
#include <atomic>
#include <cstdint>
#include <optional>
#include <span>

#include "formula/formula.h"
#include "solver/flip_state.h"

namespace satphase {

// Balint and Schöning's probSAT ("Choosing probability distributions for
// stochastic local search and the role of make versus break", SAT 2012),
// with its break-only polynomial rule: draw an unsatisfied clause uniformly,
// then one of its literals with probability proportional to
// f(b) = (eps + b)^-cb, b being the literal's break count, and flip it.
// The make count plays no part: the paper found it no help.
//
// One engine per thread: storage is sized at construction and a search
// allocates nothing. Its random choices come from a stream seeded per call,
// so that the same formula and seed give the same flips on any thread.
class ProbSat {
  public:
    struct Parameters {
        double cb = 2.38;
        double eps = 1.0;
    };

    // The constants published for the polynomial rule on uniform k-SAT:
    // eps = 1 and cb = 2.38, 3.0, 3.6, 4.4, 4.7 for k = 3 .. 7
    // (docs/local-search.md gives the sources). A k below 3 takes k = 3's,
    // one above 7 takes k = 7's.
    static Parameters publishedParameters(std::int32_t k);

    ProbSat(std::int32_t maxVars, std::int32_t maxClauses,
            Parameters parameters = publishedParameters(3));
    // Searches in `shared`, which must outlive the engine: probSAT and
    // WalkSAT run one after the other on a thread can share one state, which
    // at a million variables is most of the memory a search holds. Each
    // search loads its formula afresh, so sharing changes no flip; only the
    // model left behind is that of the last search in the state.
    explicit ProbSat(FlipState& shared, Parameters parameters = publishedParameters(3));
    ProbSat(const ProbSat&) = delete;
    ProbSat& operator=(const ProbSat&) = delete;

    // Takes new constants (cb > 0, eps > 0) for the next searches.
    void setParameters(Parameters parameters);

    using Outcome = LocalSearchOutcome;

    // Searches for a model of `formula` (within the sizes given at
    // construction, clauses over distinct variables) from an assignment
    // drawn from the stream `seed` starts, for at most maxFlips flips. A
    // raised `stop` ends the search within kStopCheckInterval flips.
    Outcome solve(const Formula& formula, std::uint64_t seed, std::uint64_t maxFlips,
                  const std::atomic<bool>* stop = nullptr);

    // The last search's assignment (1 true, 0 false per variable): a model
    // of its formula when it was solved.
    std::span<const std::int8_t> model() const { return state_->assignment(); }

    // The state the search left, for tests.
    const FlipState& state() const { return *state_; }

  private:
    // f(b) for b = 0 .. kWeights - 1; a larger break count takes the last,
    // which at cb >= 2 is below 1 in 10^4 of f(0) and does not occur in
    // uniform 3-SAT below ratio 10.
    static constexpr std::size_t kWeights = 64;

    Variable pick(XoshiroStream& stream) const;

    std::optional<FlipState> owned_;
    FlipState* state_;
    std::array<double, kWeights> weight_{};
};

}  // namespace satphase
