#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string_view>
#include <vector>

// A scan's entropy-coded data with the zero bytes that follow each 0xFF taken out, so that where
// a code begins is a plain bit offset, comparable between decodings that started apart.
class EntropyBits {
public:
    // Past the end of the data, bits read as zeros, as libjpeg reads them, this far at least.
    static constexpr std::size_t kZerosAfterEnd = 4096;

    // The data from `from` in `content`, none unstuffed yet.
    EntropyBits(std::string_view content, std::size_t from);

    // Unstuffs the data up to `to` bytes from where it begins, or to the first marker.
    void UnstuffTo(std::size_t to);
    void UnstuffAll() { UnstuffTo(data.size()); }
    // Whether the data up to its marker or its end is unstuffed.
    bool Ended() const { return ended; }
    // Where the bits unstuffed so far end.
    std::uint64_t EndBit() const {
        return static_cast<std::uint64_t>(bytes.size() - kZerosAfterEnd) * 8;
    }
    // The first place at or after `offset` bytes where another EntropyBits may begin: not the
    // zero byte after a 0xFF.
    std::size_t SplitNear(std::size_t offset) const;

    // Reads the bits from a place on, a 64-bit buffer at a time. Reading stays within the zeros
    // after the end as long as a caller stops within kZerosAfterEnd bytes less eight of it.
    class Reader {
    public:
        Reader(const EntropyBits& bits, std::uint64_t bit)
            : start(bits.bytes.data()), next(start + (bit >> 3)) {
            Refill();
            Take(static_cast<int>(bit & 7));
        }

        std::uint64_t Bit() const {
            return static_cast<std::uint64_t>(next - start) * 8 - static_cast<unsigned>(count);
        }
        // At least 56 bits to take after this.
        void Refill() {
            std::uint64_t word;
            std::memcpy(&word, next, sizeof word);
            buffer |= __builtin_bswap64(word) >> count;
            next += (63 - count) >> 3;
            count |= 56;
        }
        // The next bits, the first on top.
        std::uint64_t Next() const { return buffer; }
        void Take(int bits) {
            buffer <<= bits;
            count -= bits;
        }

    private:
        const std::uint8_t* start;
        const std::uint8_t* next;
        std::uint64_t buffer = 0;
        int count = 0;  // bits in the buffer, from its top
    };

private:
    std::string_view data;
    std::size_t read;  // bytes of `data` unstuffed
    bool ended;
    std::vector<std::uint8_t> bytes;
};
