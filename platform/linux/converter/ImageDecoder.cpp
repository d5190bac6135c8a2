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

std::string ReadContent(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

std::string ReadStart(const std::string& path, std::size_t count) {
    std::ifstream in(path, std::ios::binary);
    std::string start(count, '\0');
    in.read(start.data(), static_cast<std::streamsize>(count));
    start.resize(static_cast<std::size_t>(in.gcount()));
    return start;
}

bool IsBitmap(const std::string& start) {
    return start.size() >= 2 && start.compare(0, 2, "BM") == 0;
}

bool IsJpeg(const std::string& start) {
    return start.size() >= 3 && start.compare(0, 3, "\xFF\xD8\xFF") == 0;
}

bool HasTargaExtension(const std::string& path) {
    if (path.size() < 4) {
        return false;
    }
    std::string extension = path.substr(path.size() - 4);
    for (char& c : extension) {
        c = static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
    }
    return extension == ".tga";
}

// TGA files whose rows run right to left (origin top-right or bottom-right): neither decoder
// takes them, so DevIL reads them as left to right and we mirror the result.
bool IsRightToLeftTarga(const std::string& path, const std::string& start) {
    return HasTargaExtension(path) && start.size() >= kTargaHeaderSize &&
           (start[kTargaDescriptor] & kTargaRightToLeft) != 0;
}

std::optional<RgbImage> DecodeMirroredTarga(const std::string& path) {
    std::string content = ReadContent(path);
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
std::optional<RgbImage> ReadWithDevil(const std::string& path, bool jpeg) {
    DevilImage image;
    if (!image.Load(path) || (jpeg && image.Channels() > 3)) {
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
std::optional<RgbImage> DecodeWithDevil(const std::string& path, const std::string& start) {
    if (IsTiff(start) && ReadOrientation(path).testFlag(QImageIOHandler::TransformationRotate90)) {
        return std::nullopt;
    }
    const bool jpeg = IsJpeg(start);
    std::optional<RgbImage> pixels = ReadWithDevil(path, jpeg);
    if (pixels && jpeg) {
        return Transformed(std::move(*pixels), ReadOrientation(path));
    }
    return pixels;
}

std::optional<RgbImage> DecodeWithCheckedSize(const std::string& path) {
    if (IsTooShortForItsContent(path)) {
        return std::nullopt;
    }
    const std::string start = ReadStart(path, kTargaHeaderSize);
    if (IsRightToLeftTarga(path, start)) {
        return DecodeMirroredTarga(path);
    }
    if (auto pixels = DecodeWithDevil(path, start)) {
        return pixels;
    }
    if (IsJpeg(start) && IsJpegCutShort(path)) {
        return std::nullopt;
    }
    if (auto pixels = DecodeWithQt(path)) {
        return pixels;
    }
    return IsBitmap(start) ? DecodeRareBitmap(ReadContent(path)) : std::nullopt;
}

}  // namespace

std::optional<RgbImage> DecodeImage(const std::string& path) {
    // A header may announce more pixels than memory holds: that file cannot be loaded.
    try {
        return DecodeWithCheckedSize(path);
    } catch (const std::bad_alloc&) {
        return std::nullopt;
    }
}
