#include "solver/walksat.h"

#include <array>
#include <cassert>

namespace satphase {

WalkSat::WalkSat(std::int32_t maxVars, std::int32_t maxClauses, double noise)
    : owned_(std::in_place, maxVars, maxClauses), state_(&*owned_) {
    setNoise(noise);
}

WalkSat::WalkSat(FlipState& shared, double noise) : state_(&shared) {
    setNoise(noise);
}

void WalkSat::setNoise(double noise) {
    assert(noise >= 0 && noise <= 1);
    noise_ = noise;
}

WalkSat::Outcome WalkSat::solve(const Formula& formula, std::uint64_t seed, std::uint64_t maxFlips,
                                const std::atomic<bool>* stop) {
    XoshiroStream stream(seed);
    state_->load(formula, stream);
    return runFlips(*state_, maxFlips, stop, [&] { return pick(stream); });
}

// The draws, in order: the clause's position in the unsatisfied list; with no
// freebie, the noise coin (one unit() below noise); then the literal, by its
// rank among the candidates in the clause's order: among the freebies, all
// literals (a noisy step) or those of least break count.
Variable WalkSat::pick(XoshiroStream& stream) const {
    const std::span<const Literal> literals =
        state_->unsatisfiedLiteralsAt(static_cast<std::int32_t>(
            stream.below(static_cast<std::uint32_t>(state_->unsatisfiedCount()))));
    std::array<std::int32_t, kMaxClauseWidth> breaks{};
    std::int32_t least = 0;
    std::uint32_t ties = 0;
    for (std::size_t i = 0; i < literals.size(); ++i) {
        breaks[i] = state_->breakCount(literals[i].variable());
        if (ties == 0 || breaks[i] < least) {
            least = breaks[i];
            ties = 1;
        } else if (breaks[i] == least) {
            ++ties;
        }
    }
    if (least > 0 && stream.unit() < noise_) {
        return literals[stream.below(static_cast<std::uint32_t>(literals.size()))].variable();
    }
    std::uint32_t rank = stream.below(ties);
    for (std::size_t i = 0;; ++i) {
        if (breaks[i] == least && rank-- == 0) {
            return literals[i].variable();
        }
    }
}

}  // namespace satphase
