#include "platform/linux/converter/colour/JpegIccProfile.h"

#include <cstdint>
#include <optional>
#include <vector>

#include "platform/linux/converter/jpeg/JpegSegments.h"

namespace {

constexpr unsigned char kApp2 = 0xE2;
constexpr std::string_view kIccSignature("ICC_PROFILE\0", 12);

std::uint8_t ByteAt(std::string_view bytes, std::size_t at) {
    return static_cast<std::uint8_t>(bytes[at]);
}

struct Chunk {
    std::uint8_t number;
    std::uint8_t count;
    std::string_view bytes;
};

std::optional<Chunk> IccChunk(const JpegSegment& segment) {
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
    std::vector<Chunk> chunks;
    for (const JpegSegment& segment : JpegHeaderSegments(file)) {
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
