#include "platform/linux/converter/ImageFormat.h"

namespace {

constexpr std::string_view kPngSignature("\x89PNG\r\n\x1a\n", 8);
constexpr std::string_view kJpegSignature("\xFF\xD8\xFF", 3);
constexpr std::string_view kLittleEndianTiffSignature("II*\0", 4);
constexpr std::string_view kBigEndianTiffSignature("MM\0*", 4);
constexpr std::string_view kBitmapSignature("BM", 2);
constexpr std::string_view kRiffSignature("RIFF", 4);
constexpr std::string_view kWebpFormType("WEBP", 4);
constexpr std::size_t kRiffFormTypeOffset = 8;
constexpr std::string_view kJpegXlCodestreamSignature("\xFF\x0A", 2);
constexpr std::string_view kJpegXlContainerSignature("\0\0\0\x0CJXL \r\n\x87\n", 12);

bool IsWebp(std::string_view start) {
    return start.starts_with(kRiffSignature) && start.size() >= kRiffFormTypeOffset + 4 &&
           start.substr(kRiffFormTypeOffset, 4) == kWebpFormType;
}

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
    if (IsWebp(start)) {
        return ImageFormat::Webp;
    }
    if (start.starts_with(kJpegXlCodestreamSignature) ||
        start.starts_with(kJpegXlContainerSignature)) {
        return ImageFormat::JpegXl;
    }
    return ImageFormat::Targa;
}
