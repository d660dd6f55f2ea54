#pragma once

#include <cstdint>

namespace satphase {

// The local-search engines' random stream: Blackman and Vigna's xoshiro256**
// ("Scrambled linear pseudorandom number generators", 2021), its 256-bit
// state filled from a 64-bit seed by splitmix64, as its authors advise.
//
// Why not the Park–Miller stream the generators use: a local search draws a
// few numbers per flip and makes up to 10^10 flips on one formula, far beyond
// Park–Miller's period of 2^31 - 2; its step costs a division, and taking its
// state mod n favours small remainders. xoshiro256** has a period of 2^256 - 1,
// passes the statistical test batteries, and its step is a handful of shifts,
// xors and one multiplication (bench/README.md measures both).
class XoshiroStream {
  public:
    // The same seed always gives the same stream, on any thread.
    explicit XoshiroStream(std::uint64_t seed) {
        for (std::uint64_t& word : state_) {
            word = splitMix64(seed);
        }
    }

    // The next 64 random bits.
    std::uint64_t next() {
        const std::uint64_t result = rotateLeft(state_[1] * 5, 7) * 9;
        const std::uint64_t shifted = state_[1] << 17;
        state_[2] ^= state_[0];
        state_[3] ^= state_[1];
        state_[1] ^= state_[2];
        state_[0] ^= state_[3];
        state_[2] ^= shifted;
        state_[3] = rotateLeft(state_[3], 45);
        return result;
    }

    // A number in 0 .. n - 1 (1 <= n < 2^32): the top 32 bits scaled by n
    // (Lemire's multiply-shift), which needs no division. The bias, at most
    // n in 2^32, is below anything a search could notice.
    std::uint32_t below(std::uint32_t n) {
        return static_cast<std::uint32_t>(((next() >> 32) * n) >> 32);
    }

    // A number in [0, 1) with 53 random bits.
    double unit() { return static_cast<double>(next() >> 11) * 0x1.0p-53; }

  private:
    static constexpr std::uint64_t rotateLeft(std::uint64_t x, int k) {
        return (x << k) | (x >> (64 - k));
    }

    // Steele, Lea and Flood's splitmix64: advances `seed` by the golden
    // ratio's 64-bit constant and returns a mix of it, so that nearby seeds
    // give unrelated states and no state is all zeros in practice.
    static std::uint64_t splitMix64(std::uint64_t& seed) {
        std::uint64_t z = (seed += 0x9e3779b97f4a7c15ULL);
        z = (z ^ (z >> 30)) * 0xbf58476d1ce4e5b9ULL;
        z = (z ^ (z >> 27)) * 0x94d049bb133111ebULL;
        return z ^ (z >> 31);
    }

    std::uint64_t state_[4] = {};
};

}  // namespace satphase
