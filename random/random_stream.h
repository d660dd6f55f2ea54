#pragma once

#include <cstdint>

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
    std::int32_t below(std::int32_t n);

    std::int32_t state() const { return state_; }

  private:
    std::int32_t state_;
};
