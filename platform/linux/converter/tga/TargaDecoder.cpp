#include "platform/linux/converter/tga/TargaDecoder.h"

#include <cstdint>
#include <utility>

#include "platform/linux/converter/LittleEndianReader.h"

namespace {

constexpr std::size_t kHeaderSize = 18;
constexpr std::uint8_t kColourMapped = 1;
constexpr std::uint8_t kTrueColour = 2;
constexpr std::uint8_t kRleFlag = 8;
constexpr std::uint8_t kRightToLeft = 0x10;
constexpr std::uint8_t kTopDown = 0x20;
constexpr std::uint8_t kRunFlag = 0x80;
constexpr std::size_t kLongestPacket = 128;

struct Layout {
    bool colourMapped = false;
    bool rle = false;
    std::uint32_t firstEntry = 0;
    std::uint32_t mapLength = 0;
    std::size_t mapEntryBytes = 0;
    std::size_t mapOffset = 0;
    int width = 0;
    int height = 0;
    std::size_t pixelBytes = 0;
    bool rightToLeft = false;
    bool topDown = false;
    std::size_t pixelOffset = 0;
};

std::size_t BytesOf(std::uint32_t bits) {
    return (bits + 7) / 8;
}

bool IsColourSize(std::uint32_t bits) {
    return bits == 15 || bits == 16 || bits == 24 || bits == 32;
}

std::optional<Layout> ReadLayout(const LittleEndianReader& file) {
    const std::uint8_t type = file.Byte(2);
    const std::uint8_t base = type & ~kRleFlag;
    if (!file.Has(0, kHeaderSize) || file.Byte(1) != 1 ||
        (base != kColourMapped && base != kTrueColour) || type > 11) {
        return std::nullopt;
    }
    Layout layout;
    layout.colourMapped = base == kColourMapped;
    layout.rle = (type & kRleFlag) != 0;
    layout.firstEntry = file.Unsigned(3, 2);
    layout.mapLength = file.Unsigned(5, 2);
    const std::uint32_t entryBits = file.Byte(7);
    const std::uint32_t pixelBits = file.Byte(16);
    layout.mapEntryBytes = BytesOf(entryBits);
    layout.mapOffset = kHeaderSize + file.Byte(0);
    layout.width = static_cast<int>(file.Unsigned(12, 2));
    layout.height = static_cast<int>(file.Unsigned(14, 2));
    layout.pixelBytes = BytesOf(pixelBits);
    layout.rightToLeft = (file.Byte(17) & kRightToLeft) != 0;
    layout.topDown = (file.Byte(17) & kTopDown) != 0;
    layout.pixelOffset = layout.mapOffset + layout.mapLength * layout.mapEntryBytes;
    const bool pixelsFit =
        layout.colourMapped ? (pixelBits == 8 || pixelBits == 16) : IsColourSize(pixelBits);
    if (!IsColourSize(entryBits) || !pixelsFit || layout.width == 0 || layout.height == 0 ||
        !file.Has(layout.mapOffset, layout.mapLength * layout.mapEntryBytes)) {
        return std::nullopt;
    }
    return layout;
}

// Blue, green, red (and alpha, ignored) from the lowest byte up; 15 and 16-bit values hold five
// bits of each.
std::uint32_t Colour(const LittleEndianReader& file, std::size_t at, std::size_t bytes) {
    if (bytes == 2) {
        const std::uint32_t value = file.Unsigned(at, 2);
        const auto scaled = [&](int shift) { return (((value >> shift) & 31U) * 255 + 15) / 31; };
        return (scaled(10) << 16) | (scaled(5) << 8) | scaled(0);
    }
    return file.Unsigned(at, 3);
}

// An index outside the map shows black, as an index past a BMP palette does.
std::uint32_t PixelColour(const LittleEndianReader& file, const Layout& layout, std::size_t at) {
    if (!layout.colourMapped) {
        return Colour(file, at, layout.pixelBytes);
    }
    const std::uint32_t index = file.Unsigned(at, static_cast<int>(layout.pixelBytes));
    if (index < layout.firstEntry || index - layout.firstEntry >= layout.mapLength) {
        return 0;
    }
    return Colour(file, layout.mapOffset + (index - layout.firstEntry) * layout.mapEntryBytes,
                  layout.mapEntryBytes);
}

void Put(RgbImage& image, const Layout& layout, std::size_t number, std::uint32_t rgb) {
    const std::size_t width = static_cast<std::size_t>(layout.width);
    const std::size_t column = number % width;
    const std::size_t row = number / width;
    const std::size_t x = layout.rightToLeft ? width - 1 - column : column;
    const std::size_t y = layout.topDown ? row : static_cast<std::size_t>(layout.height) - 1 - row;
    std::uint8_t* pixel = image.pixels.data() + (y * width + x) * 3;
    pixel[0] = static_cast<std::uint8_t>(rgb >> 16);
    pixel[1] = static_cast<std::uint8_t>(rgb >> 8);
    pixel[2] = static_cast<std::uint8_t>(rgb);
}

// RLE packets: a count byte, then one pixel repeated (high bit set) or that many pixels. A
// packet may run on into the next row; none may run past the picture.
bool PaintRle(const LittleEndianReader& file, const Layout& layout, RgbImage& image) {
    const std::size_t total = static_cast<std::size_t>(layout.width) * layout.height;
    std::size_t at = layout.pixelOffset;
    for (std::size_t number = 0; number < total;) {
        if (!file.Has(at, 1)) {
            return false;
        }
        const std::uint8_t header = file.Byte(at++);
        const std::size_t count = (header & ~kRunFlag) + 1U;
        const bool run = (header & kRunFlag) != 0;
        const std::size_t bytes = run ? layout.pixelBytes : count * layout.pixelBytes;
        if (count > total - number || !file.Has(at, bytes)) {
            return false;
        }
        for (std::size_t i = 0; i < count; ++i, ++number) {
            Put(image, layout, number,
                PixelColour(file, layout, run ? at : at + i * layout.pixelBytes));
        }
        at += bytes;
    }
    return true;
}

}  // namespace

bool HasTargaColourMap(std::string_view content) {
    const LittleEndianReader file(content);
    const std::uint8_t type = file.Byte(2);
    const std::uint8_t base = type & ~kRleFlag;
    return file.Has(0, kHeaderSize) && type <= 11 &&
           (base == kColourMapped || (base == kTrueColour && file.Byte(1) == 1));
}

std::optional<RgbImage> DecodeTargaWithColourMap(std::string_view content) {
    const LittleEndianReader file(content);
    const std::optional<Layout> layout = ReadLayout(file);
    if (!layout) {
        return std::nullopt;
    }
    // A picture that its data could not fill, even with the longest packets, is not allocated.
    const std::size_t total = static_cast<std::size_t>(layout->width) * layout->height;
    const std::size_t least =
        layout->rle ? (total + kLongestPacket - 1) / kLongestPacket * (1 + layout->pixelBytes)
                    : total * layout->pixelBytes;
    if (!file.Has(layout->pixelOffset, least)) {
        return std::nullopt;
    }
    RgbImage image{layout->width, layout->height, {}};
    image.pixels.resize(total * 3);
    if (layout->rle) {
        return PaintRle(file, *layout, image) ? std::optional(std::move(image)) : std::nullopt;
    }
    for (std::size_t number = 0; number < total; ++number) {
        Put(image, *layout, number,
            PixelColour(file, *layout, layout->pixelOffset + number * layout->pixelBytes));
    }
    return image;
}
