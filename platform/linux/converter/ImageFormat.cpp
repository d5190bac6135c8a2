#include "platform/linux/converter/ImageFormat.h"

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

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

// An ISO base media file opens with its "ftyp" box: size, type, major brand, minor version, then
// the compatible brands up to the box's end.
constexpr std::size_t kBoxHeaderSize = 8;
constexpr std::size_t kBrandSize = 4;
constexpr std::size_t kFirstCompatibleBrand = 16;
constexpr std::string_view kFileTypeBox("ftyp", 4);
constexpr std::array<std::string_view, 2> kAvifBrands = {"avif", "avis"};
constexpr std::array<std::string_view, 6> kHeifBrands = {"heic", "heix", "mif1",
                                                         "msf1", "heim", "heis"};

template <std::size_t Count>
bool IsOneOf(std::string_view brand, const std::array<std::string_view, Count>& brands) {
    return std::find(brands.begin(), brands.end(), brand) != brands.end();
}

// The box's brands, the major one first; none when the file does not open with a whole "ftyp"
// box.
std::vector<std::string_view> FileTypeBrands(std::string_view start) {
    if (start.size() < kFirstCompatibleBrand || start.substr(4, 4) != kFileTypeBox) {
        return {};
    }
    const std::size_t boxSize = (std::size_t(std::uint8_t(start[0])) << 24) |
                                (std::size_t(std::uint8_t(start[1])) << 16) |
                                (std::size_t(std::uint8_t(start[2])) << 8) | std::uint8_t(start[3]);
    if (boxSize < kFirstCompatibleBrand || boxSize > start.size()) {
        return {};
    }
    std::vector<std::string_view> brands{start.substr(kBoxHeaderSize, kBrandSize)};
    for (std::size_t at = kFirstCompatibleBrand; at + kBrandSize <= boxSize; at += kBrandSize) {
        brands.push_back(start.substr(at, kBrandSize));
    }
    return brands;
}

// AVIF files name the HEIF brand "mif1" too: their own brands decide first.
std::optional<ImageFormat> IsoMediaFormat(std::string_view start) {
    const std::vector<std::string_view> brands = FileTypeBrands(start);
    const auto any = [&](const auto& wanted) {
        return std::any_of(brands.begin(), brands.end(),
                           [&](std::string_view brand) { return IsOneOf(brand, wanted); });
    };
    if (any(kAvifBrands)) {
        return ImageFormat::Avif;
    }
    if (any(kHeifBrands)) {
        return ImageFormat::Heif;
    }
    return std::nullopt;
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
    if (const std::optional<ImageFormat> format = IsoMediaFormat(start)) {
        return *format;
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
