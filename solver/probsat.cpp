#include "solver/probsat.h"

#include <algorithm>
#include <cassert>
#include <cmath>

namespace satphase {

// Balint and Schöning's Table 1 (SAT 2012), the break-only polynomial rule,
// as the authors' own probSAT takes them by default: eps = 1 throughout.
ProbSat::Parameters ProbSat::publishedParameters(std::int32_t k) {
    constexpr std::array<double, 5> kCb = {2.38, 3.0, 3.6, 4.4, 4.7};  // k = 3 .. 7
    const std::int32_t at = std::clamp(k, 3, 7) - 3;
    return {kCb[static_cast<std::size_t>(at)], 1.0};
}

ProbSat::ProbSat(std::int32_t maxVars, std::int32_t maxClauses, Parameters parameters)
    : owned_(std::in_place, maxVars, maxClauses), state_(&*owned_) {
    setParameters(parameters);
}

ProbSat::ProbSat(FlipState& shared, Parameters parameters) : state_(&shared) {
    setParameters(parameters);
}

// The weights are a table, so that a pick costs a load per literal instead
// of a power.
void ProbSat::setParameters(Parameters parameters) {
    assert(parameters.cb > 0 && parameters.eps > 0);
    for (std::size_t b = 0; b < kWeights; ++b) {
        weight_[b] = std::pow(parameters.eps + static_cast<double>(b), -parameters.cb);
    }
}

ProbSat::Outcome ProbSat::solve(const Formula& formula, std::uint64_t seed, std::uint64_t maxFlips,
                                const std::atomic<bool>* stop) {
    XoshiroStream stream(seed);
    state_->load(formula, stream);
    return runFlips(*state_, maxFlips, stop, [&] { return pick(stream); });
}

// Two draws per flip: the clause's position in the unsatisfied list, then a
// point in [0, sum of the weights) that falls on one literal's share, the
// literals taken in the clause's order. The last literal takes whatever
// rounding leaves past the others' shares.
Variable ProbSat::pick(XoshiroStream& stream) const {
    const std::span<const Literal> literals =
        state_->unsatisfiedLiteralsAt(static_cast<std::int32_t>(
            stream.below(static_cast<std::uint32_t>(state_->unsatisfiedCount()))));
    std::array<double, kMaxClauseWidth> weights{};
    double sum = 0;
    for (std::size_t i = 0; i < literals.size(); ++i) {
        const auto b = static_cast<std::size_t>(state_->breakCount(literals[i].variable()));
        weights[i] = weight_[std::min(b, kWeights - 1)];
        sum += weights[i];
    }
    double point = stream.unit() * sum;
    std::size_t chosen = 0;
    while (chosen + 1 < literals.size() && point >= weights[chosen]) {
        point -= weights[chosen];
        ++chosen;
    }
    return literals[chosen].variable();
}

}  // namespace satphase
