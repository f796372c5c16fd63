// The random source of the evolutionary optimizers: the lagged-Fibonacci generator with a
// carry of Marsaglia and Zaman, seeded from two numbers. A value type: copying it takes a
// snapshot of the sequence, assigning the copy back rolls the sequence back.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <utility>

namespace zefo {

class UniversalRandom {
public:
    static constexpr int maxseed1 = 31326;
    static constexpr int maxseed2 = 30079;

    // A generator started from a clock seed.
    UniversalRandom();

    // (Re)starts the sequence from s1 (0..31326) and s2 (0..30079) and discards its first
    // 20000 numbers. Out-of-range seeds return a message and leave the state unchanged.
    std::string init(int s1, int s2);

    // A seed pair from the random device and the high-resolution clock, within the ranges.
    static std::pair<int, int> clockseed();

    double uniform();              // the next number in [0, 1)
    double normal();               // the next standard normal number (two uniforms)
    bool chance(double p);         // true with probability p (one uniform; p = 1 always true)

    std::pair<int, int> seed() const { return {s1_, s2_}; }
    bool operator==(const UniversalRandom&) const = default;

private:
    std::array<double, 98> table_{};   // entries 1..97
    int p1_ = 97, p2_ = 33;
    double c_ = 0, cd_ = 0, cm_ = 0;
    uint8_t phase_ = 1;                // 1: the next normal uses the sine, 2: the cosine
    int s1_ = 0, s2_ = 0;
};

}  // namespace zefo
