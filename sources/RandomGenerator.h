#pragma once

#include <cstdint>

// The linear congruential generator behind "Random". Its sequence for a given seed is fixed, so
// two runs seeded in the same second draw the same numbers.
class RandomGenerator final {
public:
    // The one generator the program draws from.
    static RandomGenerator& Process();

    void Seed(std::uint32_t seed);
    // A number from 0 to kMaxDraw.
    std::uint32_t Draw();

    static constexpr std::uint32_t kMaxDraw = 0x7FFF;

private:
    std::uint32_t state = 1;
};
