#include "platform/linux/converter/TruncationCheck.h"

#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "platform/linux/converter/ImageFormat.h"
#include "platform/linux/converter/LittleEndianReader.h"
#include "platform/linux/converter/checks/TiffLayout.h"

namespace {

constexpr std::size_t kBitmapInfoHeaderStart = 14;  // with its own size
constexpr std::size_t kBitmapFieldsEnd = 34;        // through the compression field
constexpr std::uint32_t kWindowsInfoHeaderSize = 40;
constexpr std::size_t kTargaHeaderEnd = 18;
constexpr std::uint32_t kBitmapUncompressed = 0;
constexpr std::uint32_t kBitmapBitFields = 3;
constexpr std::uintmax_t kLongestTargaRun = 128;
constexpr std::size_t kPngSignatureSize = 8;
constexpr std::uintmax_t kPngChunkOverhead = 12;  // length, type and checksum
constexpr unsigned char kJpegStartOfScan = 0xDA;
constexpr unsigned char kJpegEndOfImage = 0xD9;

// Uncompressed BMP rows are padded to four bytes; compressed ones cannot be told in advance, nor
// can the old OS/2 layout with its 12-byte header. A file without its own header is too short.
bool IsShortBitmap(const LittleEndianReader& header, std::uintmax_t fileSize) {
    if (!header.Has(kBitmapInfoHeaderStart, 4)) {
        return true;
    }
    if (header.Unsigned(kBitmapInfoHeaderStart, 4) < kWindowsInfoHeaderSize) {
        return false;
    }
    if (!header.Has(0, kBitmapFieldsEnd)) {
        return true;
    }
    const std::uint32_t compression = header.Unsigned(30, 4);
    if (compression != kBitmapUncompressed && compression != kBitmapBitFields) {
        return false;
    }
    const std::int32_t width = header.Signed32(18);
    const std::int32_t height = header.Signed32(22);
    const std::uintmax_t bits = header.Unsigned(28, 2);
    const std::uintmax_t stride =
        (static_cast<std::uintmax_t>(std::abs(std::intmax_t(width))) * bits + 31) / 32 * 4;
    return stride * static_cast<std::uintmax_t>(std::abs(std::intmax_t(height))) > fileSize;
}

// Uncompressed TGA pixels take their full size; an RLE packet covers at most 128 of them with
// one byte of count and at least one pixel value.
bool IsShortTarga(const LittleEndianReader& header, std::uintmax_t fileSize) {
    if (!header.Has(0, kTargaHeaderEnd)) {
        return false;
    }
    const std::uint8_t type = header.Byte(2);
    const bool rle = type >= 9 && type <= 11;
    if (!rle && (type < 1 || type > 3)) {
        return false;
    }
    const std::uintmax_t pixels = std::uintmax_t(header.Unsigned(12, 2)) * header.Unsigned(14, 2);
    const std::uintmax_t bytesPerPixel = (header.Byte(16) + 7U) / 8;
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

// Inside compressed data every 0xFF byte is followed by 0x00 (a data byte), a restart marker or
// another 0xFF; any other marker ends the scan: a segment between scans, or the end of the image.
// Whether the end-of-image marker follows before the data ends; bytes after it do not count
// (some cameras append data there).
bool ReachesEndOfImage(std::string_view data) {
    std::size_t at = 0;
    while ((at = data.find('\xFF', at)) != std::string_view::npos) {
        while (at + 1 < data.size() && data[at + 1] == '\xFF') {
            ++at;
        }
        if (at + 1 >= data.size()) {
            return false;
        }
        const auto marker = static_cast<unsigned char>(data[at + 1]);
        at += 2;
        if (marker == kJpegEndOfImage) {
            return true;
        }
        if (marker != 0x00 && !HasNoLength(marker)) {
            const LittleEndianReader bytes(data);
            const std::size_t length = (std::size_t(bytes.Byte(at)) << 8) | bytes.Byte(at + 1);
            if (!bytes.Has(at, 2) || length < 2) {
                return false;
            }
            at += length;
        }
    }
    return false;
}

// Walks the marker segments up to the start of the compressed data, then the data up to the
// end-of-image marker: DevIL's reader spins at the end of a file cut short, and Qt's returns its
// missing part grey, as a success.
bool IsShortJpeg(std::string_view content) {
    const LittleEndianReader file(content);
    std::size_t at = 2;
    while (file.Has(at, 4)) {
        if (file.Byte(at) != 0xFF) {
            // Not a marker: the decoders skip to the next one, and still need the data's end.
            return !ReachesEndOfImage(content.substr(at));
        }
        const std::uint8_t marker = file.Byte(at + 1);
        if (marker == 0xFF || HasNoLength(marker)) {
            at += marker == 0xFF ? 1 : 2;  // fill byte, or a marker without a segment
            continue;
        }
        if (marker == kJpegEndOfImage) {
            return false;
        }
        at += 2 + ((std::size_t(file.Byte(at + 2)) << 8) | file.Byte(at + 3));
        if (marker == kJpegStartOfScan) {
            return !file.Has(at, 0) || !ReachesEndOfImage(content.substr(at));
        }
    }
    return true;
}

// The RIFF header gives a WebP file's size. A JPEG XL file is left to libjxl, which is given the
// whole file and refuses one that stops early.
bool IsShortWebp(const LittleEndianReader& header, std::uintmax_t fileSize) {
    constexpr std::size_t kRiffSizeOffset = 4;
    constexpr std::uintmax_t kRiffHeaderSize = 8;
    return fileSize < kRiffHeaderSize ||
           header.Unsigned(kRiffSizeOffset, 4) > fileSize - kRiffHeaderSize;
}

}  // namespace

bool IsTruncated(std::string_view content) {
    const std::uintmax_t size = content.size();
    switch (SniffImageFormat(content)) {
        case ImageFormat::Png:
            return IsShortPng(content);
        case ImageFormat::Jpeg:
            return IsShortJpeg(content);
        case ImageFormat::Bitmap:
            return IsShortBitmap(LittleEndianReader(content), size);
        case ImageFormat::Targa:
            return IsShortTarga(LittleEndianReader(content), size);
        case ImageFormat::Webp:
            return IsShortWebp(LittleEndianReader(content), size);
        case ImageFormat::Tiff:
            return TiffPointsPastItsEnd(content);
        case ImageFormat::Heif:
        case ImageFormat::Avif:
        case ImageFormat::JpegXl:
            break;
    }
    return false;
}
