// libFuzzer's custom mutator for the converter target. Byte-level mutation alone never grows an
// input past a few kilobytes of escapes, yet the RLE readers' faults need millions of them: a
// cursor walked past the end of a row, or an integer walked past its range. So one mutation in
// four inserts a long stretch of one repeated escape (BMP delta, end of line, run, literal; TGA
// packets), and one in sixteen starts over from an OS/2 RLE bitmap header followed by such a
// stretch; the rest is libFuzzer's own mutation.

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <random>
#include <vector>

extern "C" std::size_t LLVMFuzzerMutate(std::uint8_t* data, std::size_t size, std::size_t maxSize);

namespace {

using Bytes = std::vector<std::uint8_t>;

constexpr std::uint8_t kBitmapExtension = 7;  // the harness's first byte: ".bmp"

Bytes RandomEscape(std::mt19937& random) {
    const auto byte = [&] { return static_cast<std::uint8_t>(random()); };
    switch (random() % 6) {
        case 0:
            return {0, 2, byte(), byte()};  // BMP delta: skip right and down
        case 1:
            return {0, 2, 255, 0};  // the longest skip along a row
        case 2:
            return {0, 0};  // end of line
        case 3:
            return {255, byte(), byte(), byte()};  // a run of one colour
        case 4:
            return {0,      3,      byte(), byte(), byte(), byte(),
                    byte(), byte(), byte(), byte(), byte(), 0};  // three literal pixels, padded
        default:
            return {static_cast<std::uint8_t>(0x80 | byte()), byte(), byte(), byte()};  // TGA run
    }
}

Bytes RepeatedEscape(std::mt19937& random, std::size_t room) {
    const Bytes escape = RandomEscape(random);
    const std::size_t most = room / escape.size();
    if (most == 0) {
        return {};
    }
    const std::size_t count = 1 + std::uniform_int_distribution<std::size_t>(0, most - 1)(random);
    Bytes stretch;
    stretch.reserve(count * escape.size());
    for (std::size_t i = 0; i < count; ++i) {
        stretch.insert(stretch.end(), escape.begin(), escape.end());
    }
    return stretch;
}

void PutLittleEndian(Bytes& bytes, std::size_t offset, std::uint32_t value) {
    for (int i = 0; i < 4; ++i) {
        bytes[offset + static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(value >> (8 * i));
    }
}

// The harness's extension byte, then a 14-byte file header and a 64-byte OS/2 header for 24-bit
// RLE pixels of a random size.
Bytes Os2RleHeader(std::mt19937& random) {
    Bytes header(1 + 14 + 64, 0);
    header[0] = kBitmapExtension;
    header[1] = 'B';
    header[2] = 'M';
    PutLittleEndian(header, 1 + 10, 14 + 64);
    PutLittleEndian(header, 1 + 14, 64);
    PutLittleEndian(header, 1 + 18, 1 + random() % 20000);
    PutLittleEndian(header, 1 + 22, 1 + random() % 20000);
    header[1 + 26] = 1;
    header[1 + 28] = 24;
    header[1 + 30] = 4;
    return header;
}

std::size_t Store(const Bytes& bytes, std::uint8_t* data) {
    std::memcpy(data, bytes.data(), bytes.size());
    return bytes.size();
}

}  // namespace

extern "C" std::size_t LLVMFuzzerCustomMutator(std::uint8_t* data, std::size_t size,
                                               std::size_t maxSize, unsigned int seed) {
    std::mt19937 random(seed);
    const unsigned int choice = random() % 16;
    if (choice == 0) {
        Bytes input = Os2RleHeader(random);
        const Bytes stretch = RepeatedEscape(random, maxSize - input.size() - 2);
        input.insert(input.end(), stretch.begin(), stretch.end());
        input.insert(input.end(), {0, 1});
        return Store(input, data);
    }
    if (choice < 4 && size < maxSize) {
        Bytes input(data, data + size);
        const std::size_t at = std::uniform_int_distribution<std::size_t>(0, size)(random);
        const Bytes stretch = RepeatedEscape(random, maxSize - size);
        input.insert(input.begin() + static_cast<std::ptrdiff_t>(at), stretch.begin(),
                     stretch.end());
        return Store(input, data);
    }
    return LLVMFuzzerMutate(data, size, maxSize);
}
