#include "platform/linux/converter/colour/PngIccProfile.h"

#include <zlib.h>

#include <algorithm>
#include <cstdint>
#include <limits>

namespace {

constexpr std::string_view kSignature("\x89PNG\r\n\x1a\n", 8);
// Far above any real profile (a few kilobytes, at most some hundreds); a small stream must not
// inflate into gigabytes.
constexpr std::size_t kLargestProfile = std::size_t(16) << 20;
constexpr std::size_t kLongestName = 79;

std::uint32_t BigEndian32(std::string_view bytes, std::size_t at) {
    std::uint32_t value = 0;
    for (std::size_t i = 0; i < 4; ++i) {
        value = value << 8 | static_cast<std::uint8_t>(bytes[at + i]);
    }
    return value;
}

bool ChecksumMatches(std::string_view typeAndData, std::uint32_t checksum) {
    const auto* bytes = reinterpret_cast<const Bytef*>(typeAndData.data());
    return crc32_z(crc32_z(0, nullptr, 0), bytes, typeAndData.size()) == checksum;
}

std::string Inflate(std::string_view stream) {
    z_stream inflater{};
    if (stream.size() > std::numeric_limits<uInt>::max() || inflateInit(&inflater) != Z_OK) {
        return {};
    }
    inflater.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(stream.data()));
    inflater.avail_in = static_cast<uInt>(stream.size());
    std::string out;
    int status = Z_OK;
    while (status == Z_OK && out.size() < kLargestProfile) {
        const std::size_t done = out.size();
        out.resize(std::min(kLargestProfile, done + 65536));
        inflater.next_out = reinterpret_cast<Bytef*>(out.data() + done);
        inflater.avail_out = static_cast<uInt>(out.size() - done);
        status = inflate(&inflater, Z_NO_FLUSH);
        out.resize(out.size() - inflater.avail_out);
    }
    inflateEnd(&inflater);
    return status == Z_STREAM_END ? out : std::string();
}

// Name (1 to 79 bytes), a zero, the compression method (0, deflate), the stream.
std::string ProfileOfChunk(std::string_view data) {
    const std::size_t nameEnd = data.find('\0');
    if (nameEnd == 0 || nameEnd > kLongestName || nameEnd + 2 > data.size() ||
        data[nameEnd + 1] != '\0') {
        return {};
    }
    return Inflate(data.substr(nameEnd + 2));
}

}  // namespace

std::string ReadPngIccProfile(std::string_view file) {
    if (!file.starts_with(kSignature)) {
        return {};
    }
    std::size_t at = kSignature.size();
    while (file.size() - at >= 12) {
        const std::size_t length = BigEndian32(file, at);
        if (length > file.size() - at - 12) {
            return {};
        }
        const std::string_view type = file.substr(at + 4, 4);
        if (type == "IDAT" || type == "IEND") {
            return {};
        }
        if (type == "iCCP") {
            const std::string_view typeAndData = file.substr(at + 4, 4 + length);
            return ChecksumMatches(typeAndData, BigEndian32(file, at + 8 + length))
                       ? ProfileOfChunk(typeAndData.substr(4))
                       : std::string();
        }
        at += 12 + length;
    }
    return {};
}
