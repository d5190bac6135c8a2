#include "platform/linux/converter/jpeg/JpegSegments.h"

namespace {

constexpr std::uint8_t kMarker = 0xFF;
constexpr std::uint8_t kStartOfImage = 0xD8;
constexpr std::uint8_t kEndOfImage = 0xD9;
constexpr std::uint8_t kStartOfScan = 0xDA;

std::uint8_t ByteAt(std::string_view bytes, std::size_t at) {
    return static_cast<std::uint8_t>(bytes[at]);
}

// Markers that stand alone, without a length: the restart markers and TEM.
bool HasNoLength(std::uint8_t marker) {
    return (marker >= 0xD0 && marker <= 0xD7) || marker == 0x01;
}

}  // namespace

std::vector<JpegSegment> JpegHeaderSegments(std::string_view file) {
    std::vector<JpegSegment> segments;
    if (file.size() < 2 || ByteAt(file, 0) != kMarker || ByteAt(file, 1) != kStartOfImage) {
        return segments;
    }
    std::size_t at = 2;
    while (at + 1 < file.size() && ByteAt(file, at) == kMarker) {
        const std::uint8_t marker = ByteAt(file, at + 1);
        at += 2;
        if (marker == kMarker) {
            --at;  // fill byte before the marker
            continue;
        }
        if (marker == kStartOfScan || marker == kEndOfImage) {
            break;
        }
        if (HasNoLength(marker)) {
            continue;
        }
        if (at + 2 > file.size()) {
            break;
        }
        const std::size_t length = std::size_t{ByteAt(file, at)} << 8 | ByteAt(file, at + 1);
        if (length < 2 || length > file.size() - at) {
            break;
        }
        segments.push_back({marker, file.substr(at + 2, length - 2)});
        at += length;
    }
    return segments;
}
