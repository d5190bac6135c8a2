#include "platform/linux/converter/checks/TiffLayout.h"

#include <algorithm>
#include <cstdint>
#include <vector>

#include "platform/linux/converter/TiffFieldReader.h"

namespace {

constexpr std::uint16_t kStripOffsets = 273;
constexpr std::uint16_t kStripByteCounts = 279;
constexpr std::uint16_t kTileOffsets = 324;
constexpr std::uint16_t kTileByteCounts = 325;
constexpr std::uint16_t kShort = 3;
constexpr std::uint16_t kLong = 4;
constexpr std::size_t kEntrySize = 12;
// More than any picture has; a loop of directories would otherwise never end.
constexpr int kMostDirectories = 1024;

std::uint64_t TypeSize(std::uint16_t type) {
    switch (type) {
        case 1:
        case 2:
        case 6:
        case 7:
            return 1;  // bytes, text
        case 3:
        case 8:
            return 2;  // shorts
        case 4:
        case 9:
        case 11:
        case 13:
            return 4;  // longs, floats, directories
        case 5:
        case 10:
        case 12:
            return 8;  // rationals, doubles
        default:
            return 0;  // unknown: libtiff skips it
    }
}

struct Entry {
    std::uint16_t tag;
    std::uint16_t type;
    std::uint32_t count;
    std::uint64_t valuesAt;  // in the entry itself when they fit in four bytes
};

Entry ReadEntry(const TiffFieldReader& tiff, std::uint64_t at) {
    Entry entry{static_cast<std::uint16_t>(tiff.Unsigned(at, 2)),
                static_cast<std::uint16_t>(tiff.Unsigned(at + 2, 2)), tiff.Unsigned(at + 4, 4),
                at + 8};
    if (TypeSize(entry.type) * entry.count > 4) {
        entry.valuesAt = tiff.Unsigned(at + 8, 4);
    }
    return entry;
}

// Where the strips or the tiles lie; an absent list has type 0.
struct Pieces {
    Entry offsets;
    Entry counts;
};

std::uint32_t Value(const TiffFieldReader& tiff, const Entry& entry, std::uint32_t index) {
    const int size = entry.type == kShort ? 2 : 4;
    return tiff.Unsigned(entry.valuesAt + std::uint64_t(index) * size, size);
}

// Every strip or tile lies in the file, as far as both lists name it.
bool DataInFile(const TiffFieldReader& tiff, const Pieces& pieces) {
    const Entry& offsets = pieces.offsets;
    const Entry& counts = pieces.counts;
    if ((offsets.type != kShort && offsets.type != kLong) ||
        (counts.type != kShort && counts.type != kLong)) {
        return true;  // libtiff refuses these itself
    }
    const std::uint32_t listed = std::min(offsets.count, counts.count);
    for (std::uint32_t piece = 0; piece < listed; ++piece) {
        if (!tiff.Has(Value(tiff, offsets, piece), Value(tiff, counts, piece))) {
            return false;
        }
    }
    return true;
}

// One directory and what it points to; `next` gets the following directory's offset.
bool DirectoryInFile(const TiffFieldReader& tiff, std::uint64_t at, std::uint64_t& next) {
    if (!tiff.Has(at, 2)) {
        return false;
    }
    const std::uint32_t entries = tiff.Unsigned(at, 2);
    if (!tiff.Has(at + 2, entries * kEntrySize + 4)) {
        return false;
    }
    Pieces strips{};
    Pieces tiles{};
    for (std::uint32_t index = 0; index < entries; ++index) {
        const Entry entry = ReadEntry(tiff, at + 2 + index * kEntrySize);
        if (!tiff.Has(entry.valuesAt, TypeSize(entry.type) * entry.count)) {
            return false;
        }
        switch (entry.tag) {
            case kStripOffsets:
                strips.offsets = entry;
                break;
            case kStripByteCounts:
                strips.counts = entry;
                break;
            case kTileOffsets:
                tiles.offsets = entry;
                break;
            case kTileByteCounts:
                tiles.counts = entry;
                break;
            default:
                break;
        }
    }
    next = tiff.Unsigned(at + 2 + entries * kEntrySize, 4);
    return DataInFile(tiff, strips) && DataInFile(tiff, tiles);
}

}  // namespace

bool TiffPointsPastItsEnd(std::string_view content) {
    const TiffFieldReader tiff(content);
    if (!tiff.Has(0, 8) || tiff.Unsigned(2, 2) != 42) {
        return true;
    }
    std::uint64_t directory = tiff.Unsigned(4, 4);
    std::vector<std::uint64_t> visited;
    for (int count = 0; count < kMostDirectories; ++count) {
        // A loop is refused at its first turn, not after walking a huge directory a thousand
        // times.
        if (std::find(visited.begin(), visited.end(), directory) != visited.end()) {
            return true;
        }
        visited.push_back(directory);
        std::uint64_t next = 0;
        if (!DirectoryInFile(tiff, directory, next)) {
            return true;
        }
        if (next == 0) {
            return false;
        }
        directory = next;
    }
    return true;
}
