#include "sources/RandomGenerator.h"

RandomGenerator& RandomGenerator::Process() {
    static RandomGenerator generator;
    return generator;
}

void RandomGenerator::Seed(std::uint32_t seed) {
    state = seed;
}

std::uint32_t RandomGenerator::Draw() {
    // Unsigned arithmetic wraps, which is the reduction mod 2^32.
    state = state * 214013u + 2531011u;
    return (state >> 16) & kMaxDraw;
}
