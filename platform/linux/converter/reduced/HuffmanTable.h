#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <vector>

#include "platform/linux/converter/jpeg/BaselineScan.h"

// One of a JPEG scan's Huffman tables, for matching codes against the bits that come next.
class HuffmanTable {
public:
    struct Code {
        std::uint8_t length = 0;  // 0: no code of the table begins these bits
        std::uint8_t symbol = 0;
    };

    // Nothing when the counts give more codes than their lengths hold, as libjpeg refuses them.
    static std::optional<HuffmanTable> FromCodes(const BaselineScan::HuffmanCodes& codes);

    // For an AC table: the coefficient whose code and value bits both lie within the first
    // kQuickBits of `next` (the bits that come next, the first on top), as (value << 16) |
    // (zeros before it << 8) | bits they take; 0 for any other.
    std::int32_t QuickCoefficient(std::uint64_t next) const {
        return quickCoefficients[next >> (64 - kQuickBits)];
    }

    // The code at the start of `next`, the next 16 bits with the first of them on top.
    Code Match(std::uint32_t next) const {
        const Code quick = quickCodes[next >> (16 - kQuickBits)];
        return quick.length != 0 ? quick : MatchLong(next);
    }

private:
    // Nearly all codes in photos are this short, and most with their values: one lookup.
    static constexpr int kQuickBits = 11;

    HuffmanTable() = default;
    Code MatchLong(std::uint32_t next) const;

    void FillQuickCoefficients();

    std::array<Code, 1 << kQuickBits> quickCodes{};
    std::array<std::int32_t, 1 << kQuickBits> quickCoefficients{};
    std::array<std::int32_t, 17> lastCode{};      // by length, -1 for none
    std::array<std::int32_t, 17> symbolOffset{};  // by length: symbol index minus code
    std::vector<std::uint8_t> symbols;
};
