#pragma once

#include <cstdint>
#include <string_view>

// Little-endian fields of a file's bytes, as BMP and TGA headers hold them. A byte past the end
// reads as zero, so a damaged header cannot make a read leave the buffer; Has says whether a
// field is really there.
class LittleEndianReader final {
public:
    explicit LittleEndianReader(std::string_view bytes) : bytes(bytes) {}

    bool Has(std::size_t offset, std::size_t count) const {
        return offset <= bytes.size() && count <= bytes.size() - offset;
    }
    std::uint8_t Byte(std::size_t offset) const {
        return offset < bytes.size() ? static_cast<std::uint8_t>(bytes[offset]) : 0;
    }
    // A field of one to four bytes.
    std::uint32_t Unsigned(std::size_t offset, int size) const {
        std::uint32_t value = 0;
        for (int i = size - 1; i >= 0; --i) {
            value = (value << 8) | Byte(offset + static_cast<std::size_t>(i));
        }
        return value;
    }
    std::int32_t Signed32(std::size_t offset) const {
        return static_cast<std::int32_t>(Unsigned(offset, 4));
    }

private:
    std::string_view bytes;
};
