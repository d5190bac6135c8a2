#include "platform/linux/converter/ImageDecoder.h"

#include <fstream>
#include <iterator>
#include <new>
#include <utility>

#include "platform/linux/converter/DevilImage.h"
#include "platform/linux/converter/ImageFileSize.h"
#include "platform/linux/converter/QtImageDecoder.h"
#include "platform/linux/converter/RareBitmap.h"

namespace {

constexpr std::size_t kTargaHeaderSize = 18;
constexpr std::size_t kTargaDescriptor = 17;
constexpr char kTargaRightToLeft = 0x10;

bool IsBitmap(const std::string& start) {
    return start.size() >= 2 && start.compare(0, 2, "BM") == 0;
}

bool IsJpeg(const std::string& start) {
    return start.size() >= 3 && start.compare(0, 3, "\xFF\xD8\xFF") == 0;
}

bool HasTargaExtension(const std::string& name) {
    if (name.size() < 4) {
        return false;
    }
    std::string extension = name.substr(name.size() - 4);
    for (char& c : extension) {
        c = static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
    }
    return extension == ".tga";
}

// TGA files whose rows run right to left (origin top-right or bottom-right): neither decoder
// takes them, so DevIL reads them as left to right and we mirror the result.
bool IsRightToLeftTarga(const std::string& name, const std::string& start) {
    return HasTargaExtension(name) && start.size() >= kTargaHeaderSize &&
           (start[kTargaDescriptor] & kTargaRightToLeft) != 0;
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
                                      bool jpeg) {
    DevilImage image;
    if (!image.Load(content, name) || (jpeg && image.Channels() > 3)) {
        return std::nullopt;
    }
    RgbImage pixels = image.ToRgb();
    if (pixels.pixels.empty()) {
        return std::nullopt;
    }
    return pixels;
}

bool IsTiff(const std::string& start) {
    return start.size() >= 4 &&
           (start.compare(0, 4, "II*\0", 4) == 0 || start.compare(0, 4, "MM\0*", 4) == 0);
}

// DevIL ignores the EXIF orientation of JPEG files, and of TIFF files applies the mirrorings
// but not the quarter turns.
std::optional<RgbImage> DecodeWithDevil(std::string_view content, const std::string& name,
                                        const std::string& start) {
    if (IsTiff(start) &&
        ReadOrientation(content).testFlag(QImageIOHandler::TransformationRotate90)) {
        return std::nullopt;
    }
    const bool jpeg = IsJpeg(start);
    std::optional<RgbImage> pixels = ReadWithDevil(content, name, jpeg);
    if (pixels && jpeg) {
        return Transformed(std::move(*pixels), ReadOrientation(content));
    }
    return pixels;
}

std::optional<RgbImage> DecodeWithCheckedSize(std::string_view content, const std::string& name) {
    if (IsTooShortForItsContent(content)) {
        return std::nullopt;
    }
    const std::string start(content.substr(0, kTargaHeaderSize));
    if (IsRightToLeftTarga(name, start)) {
        return DecodeMirroredTarga(content);
    }
    if (auto pixels = DecodeWithDevil(content, name, start)) {
        return pixels;
    }
    if (IsJpeg(start) && IsJpegCutShort(content)) {
        return std::nullopt;
    }
    if (auto pixels = DecodeWithQt(content)) {
        return pixels;
    }
    return IsBitmap(start) ? DecodeRareBitmap(std::string(content)) : std::nullopt;
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

std::optional<RgbImage> DecodeImage(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    const std::string content{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    return DecodeImage(content, path);
}
