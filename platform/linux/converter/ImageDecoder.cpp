#include "platform/linux/converter/ImageDecoder.h"

#include <cstdint>
#include <cstdio>
#include <new>
#include <string>
#include <utility>

#include "platform/linux/converter/DevilImage.h"
#include "platform/linux/converter/ImageConverterProtocol.h"
#include "platform/linux/converter/ImageFormat.h"
#include "platform/linux/converter/LittleEndianReader.h"
#include "platform/linux/converter/QtImageDecoder.h"
#include "platform/linux/converter/TruncationCheck.h"
#include "platform/linux/converter/UprightPicture.h"
#include "platform/linux/converter/bmp/BitmapDecoder.h"
#include "platform/linux/converter/colour/EmbeddedIccProfile.h"
#include "platform/linux/converter/formats/JpegXlDecoder.h"
#include "platform/linux/converter/formats/WebpDecoder.h"
#include "platform/linux/converter/isobmff/AvifDecoder.h"
#include "platform/linux/converter/isobmff/HeifDecoder.h"
#include "platform/linux/converter/jpeg/PlainJpeg.h"
#include "platform/linux/converter/tga/TargaDecoder.h"

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
std::optional<RgbImage> ReadWithDevil(std::string_view content, ImageFormat format,
                                      std::string_view iccProfile) {
    DevilImage image;
    if (!image.Load(content, format) || (format == ImageFormat::Jpeg && image.Channels() > 3)) {
        return std::nullopt;
    }
    RgbImage pixels = image.ToRgb(iccProfile);
    if (pixels.pixels.empty()) {
        return std::nullopt;
    }
    return pixels;
}

// DevIL ignores the EXIF orientation of JPEG files, and of TIFF files applies the mirrorings
// but not the quarter turns.
std::optional<RgbImage> DecodeWithDevil(std::string_view content, ImageFormat format,
                                        std::string_view iccProfile) {
    if (format == ImageFormat::Tiff &&
        ReadOrientation(content).testFlag(QImageIOHandler::TransformationRotate90)) {
        return std::nullopt;
    }
    std::optional<RgbImage> pixels = ReadWithDevil(content, format, iccProfile);
    if (pixels && format == ImageFormat::Jpeg) {
        return Transformed(std::move(*pixels), ReadOrientation(content));
    }
    return pixels;
}

// One line on standard error says which check refused a file, for the regression tests and
// whoever reads the program's log; the program itself tells only "Can't load image".
std::nullopt_t Refuse(const char* reason) {
    std::fprintf(stderr, "%s: %s\n", image_converter::kProgramName, reason);
    return std::nullopt;
}

std::optional<RgbImage> DecodeUprightWebp(std::string_view content) {
    std::optional<WebpPicture> picture = DecodeWebp(content);
    if (!picture) {
        return std::nullopt;
    }
    return UprightPicture::Turned(std::move(picture->image),
                                  UprightPicture::Turn::FromExif(picture->exifOrientation));
}

std::optional<RgbImage> OrRefused(std::optional<RgbImage> pixels) {
    return pixels ? std::move(pixels) : Refuse(decode_refusal::kByDecoders);
}

std::optional<RgbImage> DecodeWithCheckedSize(std::string_view content) {
    if (IsTruncated(content)) {
        return Refuse(decode_refusal::kTruncated);
    }
    const ImageFormat format = SniffImageFormat(content);
    // Our own readers alone take BMP files and TGA files with a colour map: DevIL and Qt read
    // several of their layouts with wrong pixels.
    if (format == ImageFormat::Bitmap) {
        return OrRefused(DecodeBitmap(content));
    }
    if (format == ImageFormat::Targa && HasTargaColourMap(content)) {
        return OrRefused(DecodeTargaWithColourMap(content));
    }
    if (format == ImageFormat::Heif) {
        return OrRefused(DecodeHeif(content));
    }
    if (format == ImageFormat::Avif) {
        return OrRefused(DecodeAvif(content));
    }
    if (format == ImageFormat::Webp) {
        return OrRefused(DecodeUprightWebp(content));
    }
    if (format == ImageFormat::JpegXl) {
        return OrRefused(DecodeJpegXl(content));
    }
    if (IsRightToLeftTarga(format, content)) {
        return OrRefused(DecodeMirroredTarga(content));
    }
    // Whichever decoder takes the file applies its profile, once, to the one picture that both
    // the screen and the bitmap are made from.
    const std::string iccProfile = ReadEmbeddedIccProfile(content);
    if (format == ImageFormat::Jpeg) {
        if (auto pixels = DecodePlainJpeg(content, iccProfile)) {
            return pixels;
        }
    }
    if (auto pixels = DecodeWithDevil(content, format, iccProfile)) {
        return pixels;
    }
    return OrRefused(DecodeWithQt(content, iccProfile));
}

}  // namespace

std::optional<RgbImage> DecodeImage(std::string_view content, const std::string& /*name*/) {
    // A header may announce more pixels than memory holds: that file cannot be loaded.
    try {
        return DecodeWithCheckedSize(content);
    } catch (const std::bad_alloc&) {
        return Refuse(decode_refusal::kOutOfMemory);
    }
}
