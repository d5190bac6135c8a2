#pragma once

#include <cstdint>
#include <string_view>

// Fields of a TIFF file in the byte order its header names ("MM" big endian, else little). A
// byte past the end reads as zero, so a damaged directory cannot make a read leave the buffer;
// Has says whether a field is really there.
class TiffFieldReader final {
public:
    explicit TiffFieldReader(std::string_view bytes)
        : bytes(bytes), bigEndian(bytes.starts_with("MM")) {}

    bool Has(std::uint64_t offset, std::uint64_t count) const {
        return offset <= bytes.size() && count <= bytes.size() - offset;
    }
    // A field of one to four bytes.
    std::uint32_t Unsigned(std::uint64_t offset, int size) const {
        std::uint32_t value = 0;
        for (int i = 0; i < size; ++i) {
            const std::uint64_t at = offset + static_cast<unsigned>(bigEndian ? i : size - 1 - i);
            value = (value << 8) | (at < bytes.size() ? static_cast<std::uint8_t>(bytes[at]) : 0U);
        }
        return value;
    }
    // Only for a field Has found in the file.
    std::string_view Bytes(std::uint64_t offset, std::uint64_t count) const {
        return bytes.substr(offset, count);
    }

private:
    std::string_view bytes;
    bool bigEndian;
};
