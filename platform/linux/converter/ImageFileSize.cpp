#include "platform/linux/converter/ImageFileSize.h"

#include <cstdint>
#include <cstdlib>
#include <string>

namespace {

constexpr std::size_t kBitmapFieldsEnd = 34;  // through the compression field
constexpr std::uint32_t kWindowsInfoHeaderSize = 40;
constexpr std::size_t kTargaHeaderEnd = 18;
constexpr std::uint32_t kBitmapUncompressed = 0;
constexpr std::uint32_t kBitmapBitFields = 3;
constexpr std::uintmax_t kLongestTargaRun = 128;
constexpr std::size_t kPngSignatureSize = 8;
constexpr std::uintmax_t kPngChunkOverhead = 12;  // length, type and checksum
constexpr unsigned char kJpegStartOfScan = 0xDA;
constexpr unsigned char kJpegEndOfImage = 0xD9;

std::uint32_t Little(const std::string& bytes, std::size_t offset, int size) {
    std::uint32_t value = 0;
    for (int i = size - 1; i >= 0; --i) {
        value = (value << 8) | static_cast<std::uint8_t>(bytes[offset + std::size_t(i)]);
    }
    return value;
}

// Uncompressed BMP rows are padded to four bytes; compressed ones cannot be told in advance, nor
// can the old OS/2 layout with its 12-byte header.
bool IsShortBitmap(const std::string& start, std::uintmax_t fileSize) {
    const std::uint32_t compression = Little(start, 30, 4);
    if (Little(start, 14, 4) < kWindowsInfoHeaderSize ||
        (compression != kBitmapUncompressed && compression != kBitmapBitFields)) {
        return false;
    }
    const auto width = static_cast<std::int32_t>(Little(start, 18, 4));
    const auto height = static_cast<std::int32_t>(Little(start, 22, 4));
    const std::uintmax_t bits = Little(start, 28, 2);
    const std::uintmax_t stride =
        (static_cast<std::uintmax_t>(std::abs(std::intmax_t(width))) * bits + 31) / 32 * 4;
    return stride * static_cast<std::uintmax_t>(std::abs(std::intmax_t(height))) > fileSize;
}

// Uncompressed TGA pixels take their full size; an RLE packet covers at most 128 of them with
// one byte of count and at least one pixel value.
bool IsShortTarga(const std::string& start, std::uintmax_t fileSize) {
    const std::uint8_t type = static_cast<std::uint8_t>(start[2]);
    const bool rle = type >= 9 && type <= 11;
    if (!rle && (type < 1 || type > 3)) {
        return false;
    }
    const std::uintmax_t pixels = std::uintmax_t(Little(start, 12, 2)) * Little(start, 14, 2);
    const std::uintmax_t bytesPerPixel = (static_cast<std::uint8_t>(start[16]) + 7U) / 8;
    const std::uintmax_t least =
        rle ? (pixels + kLongestTargaRun - 1) / kLongestTargaRun * (1 + bytesPerPixel)
            : pixels * bytesPerPixel;
    return least > fileSize;
}

// Walks the chunk headers up to IEND. A file that ends right after a chunk without IEND is left
// to the decoders.
bool IsShortPng(std::string_view content) {
    const std::uintmax_t fileSize = content.size();
    std::uintmax_t at = kPngSignatureSize;
    while (at + kPngChunkOverhead <= fileSize) {
        const std::string_view header = content.substr(at, 8);
        if (header.substr(4) == "IEND") {
            return false;
        }
        const std::uintmax_t length = (std::uintmax_t(static_cast<std::uint8_t>(header[0])) << 24) |
                                      (std::uintmax_t(static_cast<std::uint8_t>(header[1])) << 16) |
                                      (std::uintmax_t(static_cast<std::uint8_t>(header[2])) << 8) |
                                      static_cast<std::uint8_t>(header[3]);
        at += kPngChunkOverhead + length;
    }
    return at != fileSize;
}

bool HasNoLength(unsigned char marker) {
    return (marker >= 0xD0 && marker <= 0xD8) || marker == 0x01;
}

// Walks the marker segments up to the start of the compressed data.
bool IsShortJpeg(std::string_view content) {
    const std::uintmax_t fileSize = content.size();
    std::uintmax_t at = 2;
    while (at + 4 <= fileSize) {
        const std::string_view bytes = content.substr(at, 4);
        if (static_cast<unsigned char>(bytes[0]) != 0xFF) {
            return false;  // not a marker: the decoders report the damage
        }
        const auto marker = static_cast<unsigned char>(bytes[1]);
        if (marker == 0xFF || HasNoLength(marker)) {
            at += marker == 0xFF ? 1 : 2;  // fill byte, or a marker without a segment
            continue;
        }
        if (marker == kJpegEndOfImage) {
            return false;
        }
        at += 2 + ((std::uintmax_t(static_cast<unsigned char>(bytes[2])) << 8) |
                   static_cast<unsigned char>(bytes[3]));
        if (marker == kJpegStartOfScan) {
            break;
        }
    }
    return at > fileSize;
}

}  // namespace

bool IsTooShortForItsContent(std::string_view content) {
    const std::uintmax_t size = content.size();
    const std::string start(content.substr(0, kBitmapFieldsEnd));
    if (start.size() >= kPngSignatureSize && start.compare(0, 8, "\x89PNG\r\n\x1a\n") == 0) {
        return IsShortPng(content);
    }
    if (start.size() >= 3 && start.compare(0, 3, "\xFF\xD8\xFF") == 0) {
        return IsShortJpeg(content);
    }
    if (start.size() >= kBitmapFieldsEnd && start.compare(0, 2, "BM") == 0) {
        return IsShortBitmap(start, size);
    }
    const bool tiff = start.size() >= 4 && (start.compare(0, 4, "II*\0", 4) == 0 ||
                                            start.compare(0, 4, "MM\0*", 4) == 0);
    // TGA has no signature, and DevIL tells it by content when the extension misleads.
    return !tiff && start.size() >= kTargaHeaderEnd && IsShortTarga(start, size);
}

// Inside compressed data every 0xFF byte is followed by 0x00 or a restart marker, so an
// end-of-image marker near the end can only be the real one (a few bytes may trail it).
bool IsJpegCutShort(std::string_view content) {
    constexpr std::size_t kTail = 4096;
    const std::string_view tail =
        content.substr(content.size() > kTail ? content.size() - kTail : 0);
    return tail.find("\xFF\xD9") == std::string_view::npos;
}
