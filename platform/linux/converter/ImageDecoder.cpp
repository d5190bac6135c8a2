#include "platform/linux/converter/ImageDecoder.h"

#include <cstdint>
#include <new>
#include <string>
#include <utility>

#include "platform/linux/converter/DevilImage.h"
#include "platform/linux/converter/ImageFormat.h"
#include "platform/linux/converter/LittleEndianReader.h"
#include "platform/linux/converter/QtImageDecoder.h"
#include "platform/linux/converter/RareBitmap.h"
#include "platform/linux/converter/TruncationCheck.h"

namespace {

constexpr std::size_t kTargaHeaderSize = 18;
constexpr std::size_t kTargaDescriptor = 17;
constexpr std::uint8_t kTargaRightToLeft = 0x10;

// TGA files whose rows run right to left (origin top-right or bottom-right): neither decoder
// takes them, so DevIL reads them as left to right and we mirror the result. Told by content
// only, as the truncation check tells them: a TGA under another extension is one too.
bool IsRightToLeftTarga(ImageFormat format, std::string_view content) {
    const LittleEndianReader header(content);
    return format == ImageFormat::Targa && header.Has(0, kTargaHeaderSize) &&
           (header.Byte(kTargaDescriptor) & kTargaRightToLeft) != 0;
}

std::optional<RgbImage> DecodeMirroredTarga(std::string_view file) {
    std::string content(file);
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
std::optional<RgbImage> ReadWithDevil(std::string_view content, const std::string& name,
                                      ImageFormat format) {
    DevilImage image;
    if (!image.Load(content, name) || (format == ImageFormat::Jpeg && image.Channels() > 3)) {
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
std::optional<RgbImage> DecodeWithDevil(std::string_view content, const std::string& name,
                                        ImageFormat format) {
    if (format == ImageFormat::Tiff &&
        ReadOrientation(content).testFlag(QImageIOHandler::TransformationRotate90)) {
        return std::nullopt;
    }
    std::optional<RgbImage> pixels = ReadWithDevil(content, name, format);
    if (pixels && format == ImageFormat::Jpeg) {
        return Transformed(std::move(*pixels), ReadOrientation(content));
    }
    return pixels;
}

std::optional<RgbImage> DecodeWithCheckedSize(std::string_view content, const std::string& name) {
    if (IsTruncated(content)) {
        return std::nullopt;
    }
    const ImageFormat format = SniffImageFormat(content);
    if (IsRightToLeftTarga(format, content)) {
        return DecodeMirroredTarga(content);
    }
    if (auto pixels = DecodeWithDevil(content, name, format)) {
        return pixels;
    }
    if (format == ImageFormat::Jpeg && IsJpegDataTruncated(content)) {
        return std::nullopt;
    }
    if (auto pixels = DecodeWithQt(content)) {
        return pixels;
    }
    return format == ImageFormat::Bitmap ? DecodeRareBitmap(std::string(content)) : std::nullopt;
}

}  // namespace

std::optional<RgbImage> DecodeImage(std::string_view content, const std::string& name) {
    // A header may announce more pixels than memory holds: that file cannot be loaded.
    try {
        return DecodeWithCheckedSize(content, name);
    } catch (const std::bad_alloc&) {
        return std::nullopt;
    }
}
