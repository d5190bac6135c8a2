#include "platform/linux/converter/RareBitmap.h"

#include <cstdint>
#include <cstdlib>
#include <vector>

#include "platform/linux/converter/ImageFormat.h"
#include "platform/linux/converter/LittleEndianReader.h"

namespace {

constexpr std::size_t kFileHeaderSize = 14;
constexpr std::uint32_t kWindowsHeaderSize = 40;
constexpr std::uint32_t kOs2HeaderSize = 64;
constexpr std::uint32_t kUncompressed = 0;
constexpr std::uint32_t kOs2Rle24 = 4;
// Beyond this the picture would not fit the converter's memory anyway: refuse it early.
constexpr std::int64_t kMostPixels = std::int64_t(1) << 28;
// An RLE run: count and blue, green, red.
constexpr std::size_t kRunSize = 4;
constexpr std::size_t kLongestRun = 255;

struct Layout {
    int width = 0;
    int height = 0;
    bool topDown = false;
    std::uint32_t headerSize = 0;
    std::uint32_t bits = 0;
    std::uint32_t compression = 0;
    std::uint32_t colours = 0;
    std::size_t pixelOffset = 0;
};

std::optional<Layout> ReadLayout(const LittleEndianReader& file) {
    if (!file.Has(0, kFileHeaderSize + kWindowsHeaderSize)) {
        return std::nullopt;
    }
    Layout layout;
    layout.pixelOffset = file.Unsigned(10, 4);
    layout.headerSize = file.Unsigned(14, 4);
    const std::int32_t width = file.Signed32(18);
    const std::int32_t height = file.Signed32(22);
    layout.bits = file.Unsigned(28, 2);
    layout.compression = file.Unsigned(30, 4);
    layout.colours = file.Unsigned(46, 4);
    if (layout.headerSize < kWindowsHeaderSize || width <= 0 || height == 0 ||
        height == INT32_MIN || std::int64_t(width) * std::abs(std::int64_t(height)) > kMostPixels) {
        return std::nullopt;
    }
    layout.width = width;
    layout.height = static_cast<int>(std::abs(std::int64_t(height)));
    layout.topDown = height < 0;
    return layout;
}

void Put(RgbImage& image, const Layout& layout, int x, int row, std::uint8_t red,
         std::uint8_t green, std::uint8_t blue) {
    const int y = layout.topDown ? row : layout.height - 1 - row;
    std::uint8_t* pixel = image.pixels.data() + (static_cast<std::size_t>(y) * image.width + x) * 3;
    pixel[0] = red;
    pixel[1] = green;
    pixel[2] = blue;
}

RgbImage Blank(const Layout& layout) {
    RgbImage image{layout.width, layout.height, {}};
    image.pixels.resize(static_cast<std::size_t>(layout.width) * layout.height * 3);
    return image;
}

std::optional<RgbImage> DecodeTwoBitPalette(const LittleEndianReader& file, const Layout& layout) {
    const std::size_t paletteOffset = kFileHeaderSize + layout.headerSize;
    const std::size_t stride = ((static_cast<std::size_t>(layout.width) * 2 + 31) / 32) * 4;
    const std::uint32_t entries = layout.colours == 0 ? 4 : layout.colours;
    if (entries > 4 || !file.Has(paletteOffset, std::size_t(entries) * 4) ||
        !file.Has(layout.pixelOffset, stride * static_cast<std::size_t>(layout.height))) {
        return std::nullopt;
    }
    RgbImage image = Blank(layout);
    for (int row = 0; row < layout.height; ++row) {
        const std::size_t start = layout.pixelOffset + stride * static_cast<std::size_t>(row);
        for (int x = 0; x < layout.width; ++x) {
            const std::uint8_t byte = file.Byte(start + static_cast<std::size_t>(x) / 4);
            const std::uint32_t index = (byte >> (6 - 2 * (x % 4))) & 3U;
            if (index >= entries) {
                return std::nullopt;
            }
            const std::size_t entry = paletteOffset + std::size_t(index) * 4;
            Put(image, layout, x, row, file.Byte(entry + 2), file.Byte(entry + 1),
                file.Byte(entry));
        }
    }
    return image;
}

// Where the RLE data puts a pixel: its column, its row counted from the bottom, and the offset
// of its blue-green-red colour in the file.
struct RlePixel {
    int x;
    int row;
    std::size_t colour;
};

// Runs of one colour and escapes: 0 0 ends a line, 0 1 the picture, 0 2 dx dy skips, 0 n
// gives n literal pixels padded to an even length. Skipped pixels stay black. False for data
// that ends early, or a run, literal or skip past the end of its row or of the picture: the
// cursor stays inside the picture, whatever the number of escapes. Otherwise the number of
// bytes the data takes up to its end.
template <typename Paint>
std::optional<std::size_t> WalkRle24(const LittleEndianReader& file, const Layout& layout,
                                     Paint paint) {
    std::size_t at = layout.pixelOffset;
    int x = 0;
    int row = 0;
    const auto fits = [&](int count) { return row < layout.height && count <= layout.width - x; };
    while (row < layout.height) {
        if (!file.Has(at, 2)) {
            return std::nullopt;
        }
        const std::uint8_t count = file.Byte(at);
        const std::uint8_t code = file.Byte(at + 1);
        at += 2;
        if (count > 0) {
            if (!file.Has(at - 1, 3) || !fits(count)) {
                return std::nullopt;
            }
            for (int end = x + count; x < end; ++x) {
                paint(RlePixel{x, row, at - 1});
            }
            at += 2;
        } else if (code == 0) {
            x = 0;
            ++row;
        } else if (code == 1) {
            return at - layout.pixelOffset;
        } else if (code == 2) {
            const int right = file.Byte(at);
            const int down = file.Byte(at + 1);
            if (!file.Has(at, 2) || right > layout.width - x || down > layout.height - row) {
                return std::nullopt;
            }
            x += right;
            row += down;
            at += 2;
        } else {
            const std::size_t length = std::size_t(code) * 3;
            if (!file.Has(at, length) || !fits(code)) {
                return std::nullopt;
            }
            for (std::size_t i = 0; i < length; i += 3, ++x) {
                paint(RlePixel{x, row, at + i});
            }
            at += length + length % 2;
        }
    }
    return at - layout.pixelOffset;
}

// The data is walked through once before the picture is allocated: a header alone, or data
// that breaks off, never costs the picture's memory; nor does a picture larger than its data
// could fill with the longest runs.
std::optional<RgbImage> DecodeRle24(const LittleEndianReader& file, const Layout& layout) {
    const std::optional<std::size_t> dataSize = WalkRle24(file, layout, [](const RlePixel&) {});
    if (!dataSize || static_cast<std::int64_t>(*dataSize / kRunSize * kLongestRun) <
                         std::int64_t(layout.width) * layout.height) {
        return std::nullopt;
    }
    RgbImage image = Blank(layout);
    WalkRle24(file, layout, [&](const RlePixel& pixel) {
        Put(image, layout, pixel.x, pixel.row, file.Byte(pixel.colour + 2),
            file.Byte(pixel.colour + 1), file.Byte(pixel.colour));
    });
    return image;
}

}  // namespace

std::optional<RgbImage> DecodeRareBitmap(const std::string& content) {
    if (SniffImageFormat(content) != ImageFormat::Bitmap) {
        return std::nullopt;
    }
    const LittleEndianReader file(content);
    const std::optional<Layout> layout = ReadLayout(file);
    if (!layout) {
        return std::nullopt;
    }
    if (layout->bits == 2 && layout->compression == kUncompressed) {
        return DecodeTwoBitPalette(file, *layout);
    }
    if (layout->bits == 24 && layout->compression == kOs2Rle24 &&
        layout->headerSize == kOs2HeaderSize && !layout->topDown) {
        return DecodeRle24(file, *layout);
    }
    return std::nullopt;
}
