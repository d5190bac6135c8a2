#include "platform/linux/converter/reduced/HuffmanTable.h"

std::optional<HuffmanTable> HuffmanTable::FromCodes(const BaselineScan::HuffmanCodes& codes) {
    HuffmanTable table;
    table.symbols = codes.symbols;
    std::int32_t code = 0;
    std::size_t index = 0;
    for (int length = 1; length <= 16; ++length) {
        const int count = codes.counts[static_cast<std::size_t>(length)];
        if (index + static_cast<std::size_t>(count) > table.symbols.size()) {
            return std::nullopt;
        }
        table.symbolOffset[static_cast<std::size_t>(length)] =
            static_cast<std::int32_t>(index) - code;
        for (int i = 0; i < count; ++i, ++code, ++index) {
            // No code may be all ones, nor longer than its length.
            if (code + 1 >= (1 << length)) {
                return std::nullopt;
            }
            if (length <= kQuickBits) {
                const int shift = kQuickBits - length;
                for (int fill = 0; fill < (1 << shift); ++fill) {
                    table.quickCodes[static_cast<std::size_t>((code << shift) | fill)] =
                        Code{static_cast<std::uint8_t>(length), table.symbols[index]};
                }
            }
        }
        table.lastCode[static_cast<std::size_t>(length)] = count > 0 ? code - 1 : -1;
        code <<= 1;
    }
    table.FillQuickCoefficients();
    return table;
}

// Most coefficients of a photo are short: their whole code and value in one lookup.
void HuffmanTable::FillQuickCoefficients() {
    for (std::uint32_t bits = 0; bits < quickCodes.size(); ++bits) {
        const Code code = quickCodes[bits];
        const int size = code.symbol & 15;
        const int taken = code.length + size;
        if (code.length == 0 || size == 0 || taken > kQuickBits) {
            continue;
        }
        const int raw = static_cast<int>(bits >> (kQuickBits - taken)) & ((1 << size) - 1);
        const int value = raw < (1 << (size - 1)) ? raw - (1 << size) + 1 : raw;
        quickCoefficients[bits] = (value * 65536) | ((code.symbol >> 4) << 8) | taken;
    }
}

HuffmanTable::Code HuffmanTable::MatchLong(std::uint32_t next) const {
    for (int length = kQuickBits + 1; length <= 16; ++length) {
        const auto code = static_cast<std::int32_t>(next >> (16 - length));
        if (code <= lastCode[static_cast<std::size_t>(length)]) {
            const std::int32_t index = code + symbolOffset[static_cast<std::size_t>(length)];
            return Code{static_cast<std::uint8_t>(length),
                        symbols[static_cast<std::size_t>(index)]};
        }
    }
    return {};
}
