#include "platform/linux/converter/colour/JpegIccProfile.h"

#include <cstdint>
#include <optional>
#include <vector>

namespace {

constexpr unsigned char kMarker = 0xFF;
constexpr unsigned char kStartOfImage = 0xD8;
constexpr unsigned char kEndOfImage = 0xD9;
constexpr unsigned char kStartOfScan = 0xDA;
constexpr unsigned char kApp2 = 0xE2;
constexpr std::string_view kIccSignature("ICC_PROFILE\0", 12);

std::uint8_t ByteAt(std::string_view bytes, std::size_t at) {
    return static_cast<std::uint8_t>(bytes[at]);
}

// Markers that stand alone, without a length: the restart markers and TEM.
bool HasNoLength(std::uint8_t marker) {
    return (marker >= 0xD0 && marker <= 0xD7) || marker == 0x01;
}

struct Segment {
    std::uint8_t marker;
    std::string_view payload;
};

// The segments before the first scan, the only place a profile may be. The walk stops at the
// first length that leaves the file.
std::vector<Segment> HeaderSegments(std::string_view file) {
    std::vector<Segment> segments;
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

struct Chunk {
    std::uint8_t number;
    std::uint8_t count;
    std::string_view bytes;
};

std::optional<Chunk> IccChunk(const Segment& segment) {
    if (segment.marker != kApp2 || segment.payload.size() < kIccSignature.size() + 2 ||
        !segment.payload.starts_with(kIccSignature)) {
        return std::nullopt;
    }
    return Chunk{ByteAt(segment.payload, kIccSignature.size()),
                 ByteAt(segment.payload, kIccSignature.size() + 1),
                 segment.payload.substr(kIccSignature.size() + 2)};
}

}  // namespace

std::string ReadJpegIccProfile(std::string_view file) {
    if (file.size() < 2 || ByteAt(file, 0) != kMarker || ByteAt(file, 1) != kStartOfImage) {
        return {};
    }
    std::vector<Chunk> chunks;
    for (const Segment& segment : HeaderSegments(file)) {
        if (const std::optional<Chunk> chunk = IccChunk(segment)) {
            chunks.push_back(*chunk);
        }
    }
    if (chunks.empty() || chunks.size() != chunks.front().count) {
        return {};
    }
    // Numbered from 1; each number once, whatever order the segments come in.
    std::vector<std::optional<std::string_view>> ordered(chunks.size());
    for (const Chunk& chunk : chunks) {
        if (chunk.count != chunks.size() || chunk.number == 0 || chunk.number > chunks.size() ||
            ordered[chunk.number - 1]) {
            return {};
        }
        ordered[chunk.number - 1] = chunk.bytes;
    }
    std::string profile;
    for (const std::optional<std::string_view>& part : ordered) {
        profile += *part;
    }
    return profile;
}
