#pragma once

#include <cstdint>

namespace satphase {

// Park and Miller's minimal standard generator, state = 16807 * state mod (2^31 - 1),
// evaluated with Schrage's decomposition so that no intermediate leaves 32 bits.
// The classic run's one stream (randomBelow) and every RandomStream take the
// same step.
inline constexpr std::int32_t kRngMultiplier = 16807;
inline constexpr std::int32_t kRngModulus = 2147483647;
inline constexpr std::int32_t kRngQuotient = 127773;  // kRngModulus / kRngMultiplier
inline constexpr std::int32_t kRngRemainder = 2836;   // kRngModulus % kRngMultiplier
// The classic run's first state, and the default seed of sweeps and generate.
inline constexpr std::int32_t kRngInitialState = 64540;

// One step of the generator.
constexpr std::int32_t nextParkMillerState(std::int32_t state) {
    const std::int32_t t =
        kRngMultiplier * (state % kRngQuotient) - kRngRemainder * (state / kRngQuotient);
    return t < 0 ? t + kRngModulus : t;
}

// A Park–Miller random stream held as a value: the same recurrence and the
// same draws as randomBelow, but with a state of its own, so that a sweep can
// start anywhere and several streams can coexist.
class RandomStream {
  public:
    // States run over 1 .. 2^31 - 2.
    static constexpr std::int32_t kMinState = 1;
    static constexpr std::int32_t kMaxState = 2147483646;

    explicit RandomStream(std::int32_t state) : state_(state) {}

    // Advances the state by one step and returns the new state mod n (n >= 1).
    std::int32_t below(std::int32_t n) {
        state_ = nextParkMillerState(state_);
        return state_ % n;
    }

    std::int32_t state() const { return state_; }

  private:
    std::int32_t state_;
};

}  // namespace satphase
