#include "platform/linux/converter/ImageDecoder.h"

#include <cstdint>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <new>
#include <utility>

#include "platform/linux/converter/DevilImage.h"
#include "platform/linux/converter/ImageConverterProtocol.h"
#include "platform/linux/converter/ImageFormat.h"
#include "platform/linux/converter/LittleEndianReader.h"
#include "platform/linux/converter/QtImageDecoder.h"
#include "platform/linux/converter/RareBitmap.h"
#include "platform/linux/converter/TruncationCheck.h"

namespace {

constexpr std::size_t kTargaHeaderSize = 18;
constexpr std::size_t kTargaDescriptor = 17;
constexpr std::uint8_t kTargaRightToLeft = 0x10;

std::string ReadContent(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// TGA files whose rows run right to left (origin top-right or bottom-right): neither decoder
// takes them, so DevIL reads them as left to right and we mirror the result. Told by content
// only, as the truncation check tells them: a TGA under another extension is one too.
bool IsRightToLeftTarga(ImageFormat format, const std::string& start) {
    const LittleEndianReader header(start);
    return format == ImageFormat::Targa && header.Has(0, kTargaHeaderSize) &&
           (header.Byte(kTargaDescriptor) & kTargaRightToLeft) != 0;
}

std::optional<RgbImage> DecodeMirroredTarga(const std::string& path) {
    std::string content = ReadContent(path);
    if (content.size() < kTargaHeaderSize) {
        return std::nullopt;
    }
    content[kTargaDescriptor] = static_cast<char>(content[kTargaDescriptor] & ~kTargaRightToLeft);
    DevilImage image;
    if (!image.LoadTarga(content)) {
        return std::nullopt;
    }
    RgbImage pixels = image.ToRgb();
    if (pixels.pixels.empty()) {
        return std::nullopt;
    }
    return Transformed(std::move(pixels), QImageIOHandler::TransformationMirror);
}

// DevIL's pixels, or nothing where it fails or is known to be wrong: it puts the K of CMYK and
// YCCK JPEG files into an alpha channel. DevIL's copy is gone when this returns.
std::optional<RgbImage> ReadWithDevil(const std::string& path, ImageFormat format) {
    DevilImage image;
    if (!image.Load(path, format) || (format == ImageFormat::Jpeg && image.Channels() > 3)) {
        return std::nullopt;
    }
    RgbImage pixels = image.ToRgb();
    if (pixels.pixels.empty()) {
        return std::nullopt;
    }
    return pixels;
}

// DevIL ignores the EXIF orientation of JPEG files, and of TIFF files applies the mirrorings
// but not the quarter turns.
std::optional<RgbImage> DecodeWithDevil(const std::string& path, ImageFormat format) {
    if (format == ImageFormat::Tiff &&
        ReadOrientation(path).testFlag(QImageIOHandler::TransformationRotate90)) {
        return std::nullopt;
    }
    std::optional<RgbImage> pixels = ReadWithDevil(path, format);
    if (pixels && format == ImageFormat::Jpeg) {
        return Transformed(std::move(*pixels), ReadOrientation(path));
    }
    return pixels;
}

// One line on standard error says which check refused a file, for the regression tests and
// whoever reads the program's log; the program itself tells only "Can't load image".
std::nullopt_t Refuse(const char* reason) {
    std::fprintf(stderr, "%s: %s\n", image_converter::kProgramName, reason);
    return std::nullopt;
}

std::optional<RgbImage> DecodeWithCheckedSize(const std::string& path) {
    if (IsTruncated(path)) {
        return Refuse(decode_refusal::kTruncated);
    }
    const std::string start = ReadFileStart(path, kTargaHeaderSize);
    const ImageFormat format = SniffImageFormat(start);
    if (IsRightToLeftTarga(format, start)) {
        std::optional<RgbImage> pixels = DecodeMirroredTarga(path);
        return pixels ? pixels : Refuse(decode_refusal::kByDecoders);
    }
    if (auto pixels = DecodeWithDevil(path, format)) {
        return pixels;
    }
    if (auto pixels = DecodeWithQt(path)) {
        return pixels;
    }
    std::optional<RgbImage> pixels =
        format == ImageFormat::Bitmap ? DecodeRareBitmap(ReadContent(path)) : std::nullopt;
    return pixels ? pixels : Refuse(decode_refusal::kByDecoders);
}

}  // namespace

std::optional<RgbImage> DecodeImage(const std::string& path) {
    // A header may announce more pixels than memory holds: that file cannot be loaded.
    try {
        return DecodeWithCheckedSize(path);
    } catch (const std::bad_alloc&) {
        return Refuse(decode_refusal::kOutOfMemory);
    }
}
