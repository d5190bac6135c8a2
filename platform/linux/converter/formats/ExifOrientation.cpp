#include "platform/linux/converter/formats/ExifOrientation.h"

#include <cstdint>
#include <optional>

namespace {

constexpr std::string_view kExifPrefix("Exif\0\0", 6);
constexpr std::string_view kLittleEndianTiff("II*\0", 4);
constexpr std::string_view kBigEndianTiff("MM\0*", 4);
constexpr std::uint32_t kOrientationTag = 0x0112;
constexpr std::uint32_t kShortType = 3;
constexpr std::size_t kEntrySize = 12;

// Fields of either byte order; a field past the end is absent.
class TiffFields final {
public:
    TiffFields(std::string_view bytes, bool littleEndian)
        : bytes(bytes), littleEndian(littleEndian) {}

    std::optional<std::uint32_t> Read(std::size_t offset, std::size_t size) const {
        if (offset > bytes.size() || size > bytes.size() - offset) {
            return std::nullopt;
        }
        std::uint32_t value = 0;
        for (std::size_t i = 0; i < size; ++i) {
            const std::size_t at = littleEndian ? offset + size - 1 - i : offset + i;
            value = (value << 8) | static_cast<std::uint8_t>(bytes[at]);
        }
        return value;
    }

private:
    std::string_view bytes;
    bool littleEndian;
};

}  // namespace

int ExifOrientation(std::string_view exif) {
    if (exif.starts_with(kExifPrefix)) {
        exif.remove_prefix(kExifPrefix.size());
    }
    if (!exif.starts_with(kLittleEndianTiff) && !exif.starts_with(kBigEndianTiff)) {
        return 1;
    }
    const TiffFields fields(exif, exif.starts_with(kLittleEndianTiff));
    const std::optional<std::uint32_t> directory = fields.Read(4, 4);
    const std::optional<std::uint32_t> entries =
        directory ? fields.Read(*directory, 2) : std::nullopt;
    for (std::uint32_t i = 0; entries && i < *entries; ++i) {
        const std::size_t entry = std::size_t(*directory) + 2 + kEntrySize * i;
        if (fields.Read(entry, 2) != kOrientationTag) {
            continue;
        }
        const std::optional<std::uint32_t> value = fields.Read(entry + 8, 2);
        const bool valid =
            fields.Read(entry + 2, 2) == kShortType && value && *value >= 1 && *value <= 8;
        return valid ? static_cast<int>(*value) : 1;
    }
    return 1;
}
