#include "platform/linux/converter/colour/TiffIccProfile.h"

#include <cstdint>

#include "platform/linux/converter/TiffFieldReader.h"

namespace {

constexpr std::uint16_t kIccProfileTag = 34675;
constexpr std::uint16_t kTypeByte = 1;
constexpr std::uint16_t kTypeUndefined = 7;
constexpr std::size_t kHeaderSize = 8;
constexpr std::size_t kEntrySize = 12;
constexpr std::size_t kInlineValueSize = 4;

bool IsClassicTiff(std::string_view file) {
    return file.starts_with(std::string_view("II*\0", 4)) ||
           file.starts_with(std::string_view("MM\0*", 4));
}

std::string ProfileOfEntry(const TiffFieldReader& fields, std::size_t entry) {
    const std::uint32_t type = fields.Unsigned(entry + 2, 2);
    const std::size_t count = fields.Unsigned(entry + 4, 4);
    if (type != kTypeByte && type != kTypeUndefined) {
        return {};
    }
    const std::size_t offset =
        count <= kInlineValueSize ? entry + 8 : fields.Unsigned(entry + 8, 4);
    return fields.Has(offset, count) ? std::string(fields.Bytes(offset, count)) : std::string();
}

}  // namespace

std::string ReadTiffIccProfile(std::string_view file) {
    if (file.size() < kHeaderSize || !IsClassicTiff(file)) {
        return {};
    }
    const TiffFieldReader fields(file);
    const std::size_t directory = fields.Unsigned(4, 4);
    if (!fields.Has(directory, 2)) {
        return {};
    }
    const std::size_t entries = fields.Unsigned(directory, 2);
    for (std::size_t i = 0; i < entries; ++i) {
        const std::size_t entry = directory + 2 + i * kEntrySize;
        if (!fields.Has(entry, kEntrySize)) {
            return {};
        }
        if (fields.Unsigned(entry, 2) == kIccProfileTag) {
            return ProfileOfEntry(fields, entry);
        }
    }
    return {};
}
