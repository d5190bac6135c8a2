#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "platform/linux/converter/reduced/EntropyBits.h"
#include "platform/linux/converter/reduced/HuffmanTable.h"

namespace {

using namespace std::string_literals;

BaselineScan::HuffmanCodes Codes(std::initializer_list<std::pair<int, int>> countsByLength,
                                 std::vector<std::uint8_t> symbols) {
    BaselineScan::HuffmanCodes codes;
    for (const auto& [length, count] : countsByLength) {
        codes.counts[static_cast<std::size_t>(length)] = static_cast<std::uint8_t>(count);
    }
    codes.symbols = std::move(symbols);
    return codes;
}

// Codes 00, 01, 100 and, past the quick lookup's eleven bits, 101000000000.
TEST(HuffmanTableTest, MatchesShortAndLongCodesAndNothingElse) {
    const std::optional<HuffmanTable> table =
        HuffmanTable::FromCodes(Codes({{2, 2}, {3, 1}, {12, 1}}, {0x01, 0x02, 0x03, 0x22}));
    ASSERT_TRUE(table);
    const auto match = [&](std::uint32_t next) {
        const HuffmanTable::Code code = table->Match(next);
        return std::pair{int(code.length), int(code.symbol)};
    };
    EXPECT_EQ(match(0b0011'0000'0000'0000), std::pair(2, 0x01));
    EXPECT_EQ(match(0b0100'0000'0000'0000), std::pair(2, 0x02));
    EXPECT_EQ(match(0b1001'1111'1111'1111), std::pair(3, 0x03));
    EXPECT_EQ(match(0b1010'0000'0000'1111), std::pair(12, 0x22));
    EXPECT_EQ(match(0b1111'1111'1111'1111).first, 0);
    const auto quick = [&](std::uint64_t next) { return table->QuickCoefficient(next << 48); };
    // 00 then one value bit: +1 for a one, -1 for a zero, three bits in all.
    EXPECT_EQ(quick(0b0010'0000'0000'0000), (1 * 65536) | 3);
    EXPECT_EQ(quick(0b0000'0000'0000'0000), (-1 * 65536) | 3);
    // Zero runs and values too long for the quick lookup are left to Match.
    EXPECT_EQ(quick(0b1010'0000'0000'1111), 0);
}

TEST(HuffmanTableTest, RefusesTablesNoDecoderCouldHold) {
    EXPECT_FALSE(HuffmanTable::FromCodes(Codes({{1, 3}}, {1, 2, 3})));  // three 1-bit codes
    EXPECT_FALSE(HuffmanTable::FromCodes(Codes({{1, 2}}, {1, 2})));     // an all-ones code
    EXPECT_FALSE(HuffmanTable::FromCodes(Codes({{2, 3}}, {1, 2})));     // symbols missing
}

// 12 FF 00 34, then a marker: the zero after FF is stuffing, and the data ends at the marker.
TEST(EntropyBitsTest, TakesOutStuffingAndEndsAtAMarker) {
    const std::string content = "\xAA\x12\xFF\x00\x34\xFF\xD9\x56"s;
    EntropyBits bits(content, 1);
    EXPECT_EQ(bits.SplitNear(2), 3U);  // not between FF and its zero
    bits.UnstuffTo(2);
    EXPECT_EQ(bits.EndBit(), 16U);
    EXPECT_FALSE(bits.Ended());
    bits.UnstuffAll();
    EXPECT_TRUE(bits.Ended());
    EXPECT_EQ(bits.EndBit(), 24U);
    EXPECT_EQ(EntropyBits::Reader(bits, 0).Next() >> 32, 0x12FF3400U);
    EntropyBits::Reader fromTheMiddle(bits, 4);
    EXPECT_EQ(fromTheMiddle.Next() >> 56, 0x2FU);
    fromTheMiddle.Take(12);
    EXPECT_EQ(fromTheMiddle.Bit(), 16U);
    EXPECT_EQ(fromTheMiddle.Next() >> 56, 0x34U);
}

}  // namespace
