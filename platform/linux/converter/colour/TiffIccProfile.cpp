#include "platform/linux/converter/colour/TiffIccProfile.h"

#include <cstdint>

namespace {

constexpr std::uint16_t kIccProfileTag = 34675;
constexpr std::uint16_t kTypeByte = 1;
constexpr std::uint16_t kTypeUndefined = 7;
constexpr std::size_t kHeaderSize = 8;
constexpr std::size_t kEntrySize = 12;
constexpr std::size_t kInlineValueSize = 4;

// Fields in the byte order the file's header names ("II" little, "MM" big endian). Callers
// check that a field lies inside the file before reading it.
class TiffFields final {
public:
    explicit TiffFields(std::string_view file) : file(file), bigEndian(file.starts_with("MM")) {}

    bool Has(std::size_t offset, std::size_t count) const {
        return offset <= file.size() && count <= file.size() - offset;
    }
    std::uint32_t Unsigned(std::size_t offset, std::size_t size) const {
        std::uint32_t value = 0;
        for (std::size_t i = 0; i < size; ++i) {
            const std::size_t at = offset + (bigEndian ? i : size - 1 - i);
            value = value << 8 | static_cast<std::uint8_t>(file[at]);
        }
        return value;
    }
    std::string_view Bytes(std::size_t offset, std::size_t count) const {
        return file.substr(offset, count);
    }

private:
    std::string_view file;
    bool bigEndian;
};

bool IsClassicTiff(std::string_view file) {
    return file.starts_with(std::string_view("II*\0", 4)) ||
           file.starts_with(std::string_view("MM\0*", 4));
}

std::string ProfileOfEntry(const TiffFields& fields, std::size_t entry) {
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
    const TiffFields fields(file);
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
