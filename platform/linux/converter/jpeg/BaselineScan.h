#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

// What decoding a sequential, Huffman-coded, 8-bit JPEG with a single scan over every component
// needs, as libjpeg read it from the header: the commonest kind of photo.
struct BaselineScan {
    // Code counts by length (index 1 to 16) and the symbols in code order, as the file gives them.
    struct HuffmanCodes {
        std::array<std::uint8_t, 17> counts{};
        std::vector<std::uint8_t> symbols;
    };

    // In the scan's order, which is the order of their blocks in each MCU.
    struct Component {
        int frameIndex = 0;  // 0 luma or grey, 1 Cb, 2 Cr
        int horizontalSampling = 1;
        int verticalSampling = 1;
        std::array<std::uint16_t, 64> quantisation{};  // natural (row-major) order
        HuffmanCodes dc;
        HuffmanCodes ac;
    };

    int width = 0;
    int height = 0;
    std::vector<Component> components;
    // The entropy-coded data begins here, right after the scan's header.
    std::size_t entropyOffset = 0;
};
