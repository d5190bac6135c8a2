#include "platform/linux/converter/ImageFormat.h"

namespace {

constexpr std::string_view kPngSignature("\x89PNG\r\n\x1a\n", 8);
constexpr std::string_view kJpegSignature("\xFF\xD8\xFF", 3);
constexpr std::string_view kLittleEndianTiffSignature("II*\0", 4);
constexpr std::string_view kBigEndianTiffSignature("MM\0*", 4);
constexpr std::string_view kBitmapSignature("BM", 2);

}  // namespace

ImageFormat SniffImageFormat(std::string_view start) {
    if (start.starts_with(kPngSignature)) {
        return ImageFormat::Png;
    }
    if (start.starts_with(kJpegSignature)) {
        return ImageFormat::Jpeg;
    }
    if (start.starts_with(kLittleEndianTiffSignature) ||
        start.starts_with(kBigEndianTiffSignature)) {
        return ImageFormat::Tiff;
    }
    if (start.starts_with(kBitmapSignature)) {
        return ImageFormat::Bitmap;
    }
    return ImageFormat::Targa;
}
