#include "platform/linux/converter/bmp/BitmapDecoder.h"

#include <array>
#include <bit>
#include <cstdint>
#include <cstdlib>

#include "platform/linux/converter/ImageFormat.h"
#include "platform/linux/converter/LittleEndianReader.h"
#include "platform/linux/converter/colour/ColourProfile.h"

namespace {

constexpr std::size_t kFileHeaderSize = 14;
constexpr std::uint32_t kCoreHeaderSize = 12;
constexpr std::uint32_t kWindowsHeaderSize = 40;
constexpr std::uint32_t kOs2HeaderSize = 64;
constexpr std::uint32_t kV5HeaderSize = 124;
constexpr std::size_t kMasksOffset = kFileHeaderSize + kWindowsHeaderSize;

constexpr std::uint32_t kUncompressed = 0;
constexpr std::uint32_t kRle8 = 1;
constexpr std::uint32_t kRle4 = 2;
constexpr std::uint32_t kBitFields = 3;
constexpr std::uint32_t kOs2Rle24 = 4;  // JPEG data in a Windows header
constexpr std::uint32_t kAlphaBitFields = 6;

// The V5 header's colour space field, and where it names its profile (from the header's start).
constexpr std::size_t kColourSpaceOffset = kFileHeaderSize + 56;
constexpr std::uint32_t kEmbeddedProfile = 0x4D424544;  // "MBED"
constexpr std::size_t kProfileOffset = kFileHeaderSize + 112;

// Beyond this the picture would not fit the converter's memory anyway: refuse it early.
constexpr std::int64_t kMostPixels = std::int64_t(1) << 28;
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
    std::size_t paletteOffset = 0;
    std::size_t paletteEntrySize = 4;
};

// Windows' headers from the first to V5 (V2 and V3 as Adobe defined them), and OS/2 2.x's.
bool IsKnownHeaderSize(std::uint32_t size) {
    for (const std::uint32_t known :
         {kWindowsHeaderSize, 52U, 56U, kOs2HeaderSize, 108U, kV5HeaderSize}) {
        if (size == known) {
            return true;
        }
    }
    return false;
}

// Bit field masks follow a 40-byte header or sit at the same place inside a longer one.
std::size_t MasksAfterHeader(const Layout& layout) {
    if (layout.headerSize != kWindowsHeaderSize) {
        return 0;
    }
    return layout.compression == kBitFields ? 12 : layout.compression == kAlphaBitFields ? 16 : 0;
}

std::optional<Layout> ReadLayout(const LittleEndianReader& file) {
    Layout layout;
    layout.headerSize = file.Unsigned(kFileHeaderSize, 4);
    if (!file.Has(0, kFileHeaderSize + layout.headerSize)) {
        return std::nullopt;
    }
    layout.pixelOffset = file.Unsigned(10, 4);
    std::int64_t width = 0;
    std::int64_t height = 0;
    if (layout.headerSize == kCoreHeaderSize) {
        width = file.Unsigned(18, 2);
        height = file.Unsigned(20, 2);
        layout.bits = file.Unsigned(24, 2);
        layout.paletteEntrySize = 3;
    } else if (IsKnownHeaderSize(layout.headerSize)) {
        width = file.Signed32(18);
        height = file.Signed32(22);
        layout.bits = file.Unsigned(28, 2);
        layout.compression = file.Unsigned(30, 4);
        layout.colours = file.Unsigned(46, 4);
    } else {
        return std::nullopt;
    }
    layout.paletteOffset = kFileHeaderSize + layout.headerSize + MasksAfterHeader(layout);
    if (width <= 0 || height == 0 || width * std::abs(height) > kMostPixels ||
        layout.pixelOffset < layout.paletteOffset) {
        return std::nullopt;
    }
    layout.width = static_cast<int>(width);
    layout.height = static_cast<int>(std::abs(height));
    layout.topDown = height < 0;
    return layout;
}

RgbImage Blank(const Layout& layout) {
    RgbImage image{layout.width, layout.height, {}};
    image.pixels.resize(static_cast<std::size_t>(layout.width) * layout.height * 3);
    return image;
}

// ROW counts rows as the file stores them.
void Put(RgbImage& image, const Layout& layout, int x, int row, std::uint32_t rgb) {
    const int y = layout.topDown ? row : layout.height - 1 - row;
    std::uint8_t* pixel = image.pixels.data() + (static_cast<std::size_t>(y) * image.width + x) * 3;
    pixel[0] = static_cast<std::uint8_t>(rgb >> 16);
    pixel[1] = static_cast<std::uint8_t>(rgb >> 8);
    pixel[2] = static_cast<std::uint8_t>(rgb);
}

std::uint32_t Bgr(const LittleEndianReader& file, std::size_t at) {
    return (std::uint32_t(file.Byte(at + 2)) << 16) | (std::uint32_t(file.Byte(at + 1)) << 8) |
           file.Byte(at);
}

// An index past the palette shows black, as common readers show it: such files come from
// writers that count only the colours they use, and the rest of the picture is sound.
class Palette final {
public:
    static std::optional<Palette> Read(const LittleEndianReader& file, const Layout& layout) {
        const std::uint32_t most = std::uint32_t(1) << layout.bits;
        Palette palette;
        palette.entries = layout.colours == 0 || layout.colours > most ? most : layout.colours;
        if (!file.Has(layout.paletteOffset, palette.entries * layout.paletteEntrySize)) {
            return std::nullopt;
        }
        for (std::uint32_t i = 0; i < palette.entries; ++i) {
            palette.colours[i] = Bgr(file, layout.paletteOffset + i * layout.paletteEntrySize);
        }
        return palette;
    }
    std::uint32_t Colour(std::uint32_t index) const { return index < entries ? colours[index] : 0; }

private:
    std::array<std::uint32_t, 256> colours{};
    std::uint32_t entries = 0;
};

// One colour channel's bit field, scaled to eight bits; an empty mask gives zero.
class Channel final {
public:
    Channel() = default;
    explicit Channel(std::uint32_t mask)
        : mask(mask), shift(std::countr_zero(mask)), width(std::popcount(mask)) {}

    // Bits of a field lie next to each other.
    bool IsContiguous() const {
        return mask == 0 || std::has_single_bit((std::uint64_t(mask) >> shift) + 1);
    }
    std::uint32_t Mask() const { return mask; }
    std::uint32_t Value(std::uint32_t pixel) const {
        if (width == 0) {
            return 0;
        }
        const std::uint32_t field = (pixel & mask) >> shift;
        if (width >= 8) {
            return field >> (width - 8);
        }
        const std::uint32_t most = (std::uint32_t(1) << width) - 1;
        return (field * 255 + most / 2) / most;
    }

private:
    std::uint32_t mask = 0;
    int shift = 0;
    int width = 0;
};

struct BitFields {
    Channel red;
    Channel green;
    Channel blue;

    std::uint32_t Colour(std::uint32_t pixel) const {
        return (red.Value(pixel) << 16) | (green.Value(pixel) << 8) | blue.Value(pixel);
    }
};

// Masks that overlap, leave the pixel's bits or are not contiguous define no colour.
std::optional<BitFields> ReadBitFields(const LittleEndianReader& file, const Layout& layout) {
    BitFields fields;
    if (layout.compression == kUncompressed) {
        const bool wide = layout.bits == 32;
        fields = {Channel(wide ? 0xFF0000 : 0x7C00), Channel(wide ? 0xFF00 : 0x3E0),
                  Channel(wide ? 0xFF : 0x1F)};
        return fields;
    }
    fields = {Channel(file.Unsigned(kMasksOffset, 4)), Channel(file.Unsigned(kMasksOffset + 4, 4)),
              Channel(file.Unsigned(kMasksOffset + 8, 4))};
    const std::uint64_t pixelBits = (std::uint64_t(1) << layout.bits) - 1;
    std::uint64_t seen = 0;
    for (const Channel& channel : {fields.red, fields.green, fields.blue}) {
        if (!channel.IsContiguous() || (channel.Mask() & ~pixelBits) != 0 ||
            (channel.Mask() & seen) != 0) {
            return std::nullopt;
        }
        seen |= channel.Mask();
    }
    return fields;
}

std::size_t Stride(const Layout& layout) {
    return (static_cast<std::size_t>(layout.width) * layout.bits + 31) / 32 * 4;
}

// The last row's padding may be missing: every pixel is still there.
bool HoldsRows(const LittleEndianReader& file, const Layout& layout) {
    const std::size_t lastRow = (static_cast<std::size_t>(layout.width) * layout.bits + 7) / 8;
    return file.Has(layout.pixelOffset, Stride(layout) * (layout.height - 1) + lastRow);
}

// Paints every pixel of uncompressed rows with COLOUR of the pixel's bits.
template <typename Colour>
RgbImage DecodeRows(const LittleEndianReader& file, const Layout& layout, Colour colour) {
    RgbImage image = Blank(layout);
    const std::size_t stride = Stride(layout);
    const std::size_t bytes = layout.bits / 8;
    for (int row = 0; row < layout.height; ++row) {
        const std::size_t start = layout.pixelOffset + stride * static_cast<std::size_t>(row);
        for (int x = 0; x < layout.width; ++x) {
            std::uint32_t value = 0;
            if (layout.bits < 8) {
                const std::size_t bit = static_cast<std::size_t>(x) * layout.bits;
                const int shift = static_cast<int>(8 - layout.bits - bit % 8);
                value = (file.Byte(start + bit / 8) >> shift) & ((1U << layout.bits) - 1);
            } else {
                value = file.Unsigned(start + x * bytes, static_cast<int>(bytes));
            }
            Put(image, layout, x, row, colour(value));
        }
    }
    return image;
}

std::optional<RgbImage> DecodeUncompressed(const LittleEndianReader& file, const Layout& layout) {
    if (!HoldsRows(file, layout)) {
        return std::nullopt;
    }
    if (layout.bits == 24 && layout.compression == kUncompressed) {
        return DecodeRows(file, layout, [](std::uint32_t bgr) { return bgr; });
    }
    if (layout.bits == 16 || layout.bits == 32) {
        const std::optional<BitFields> fields = ReadBitFields(file, layout);
        if (!fields) {
            return std::nullopt;
        }
        return DecodeRows(file, layout, [&](std::uint32_t value) { return fields->Colour(value); });
    }
    const std::optional<Palette> palette = Palette::Read(file, layout);
    if (!palette) {
        return std::nullopt;
    }
    return DecodeRows(file, layout, [&](std::uint32_t index) { return palette->Colour(index); });
}

// Where the RLE data puts a pixel: its column, its row as stored, and what it holds (a palette
// index, or a colour for 24-bit data).
struct RlePixel {
    int x;
    int row;
    std::uint32_t value;
};

// How the RLE data of one pixel size is read. A literal of N pixels is padded to an even number
// of bytes.
class RleCoding final {
public:
    explicit RleCoding(std::uint32_t bits) : bits(bits) {}

    std::size_t RunSize() const { return bits == 24 ? 4 : 2; }
    std::size_t LiteralSize(std::size_t count) const {
        const std::size_t bytes = (count * bits + 7) / 8;
        return bytes + bytes % 2;
    }
    // The run's Ith pixel, its value starting at AT.
    std::uint32_t RunValue(const LittleEndianReader& file, std::size_t at, int i) const {
        if (bits == 24) {
            return Bgr(file, at);
        }
        const std::uint8_t byte = file.Byte(at);
        return bits == 8 ? byte : (i % 2 == 0 ? byte >> 4 : byte & 0xF);
    }
    std::uint32_t LiteralValue(const LittleEndianReader& file, std::size_t at, int i) const {
        if (bits == 24) {
            return Bgr(file, at + static_cast<std::size_t>(i) * 3);
        }
        if (bits == 8) {
            return file.Byte(at + static_cast<std::size_t>(i));
        }
        return RunValue(file, at + static_cast<std::size_t>(i) / 2, i);
    }

private:
    std::uint32_t bits;
};

// Runs of one value and escapes: 0 0 ends a line, 0 1 the picture, 0 2 dx dy skips, 0 n gives
// n literal pixels. False for data that ends before the picture does, or a run, literal or skip
// past the end of its row or of the picture: the cursor stays inside the picture, whatever the
// number of escapes. Otherwise the number of bytes the data takes up to its end.
template <typename Paint>
std::optional<std::size_t> WalkRle(const LittleEndianReader& file, const Layout& layout,
                                   const RleCoding& coding, Paint paint) {
    std::size_t at = layout.pixelOffset;
    int x = 0;
    int row = 0;
    const auto fits = [&](int count) { return count <= layout.width - x; };
    while (row < layout.height) {
        if (!file.Has(at, 2)) {
            return std::nullopt;
        }
        const std::uint8_t count = file.Byte(at);
        const std::uint8_t code = file.Byte(at + 1);
        if (count > 0) {
            if (!file.Has(at, coding.RunSize()) || !fits(count)) {
                return std::nullopt;
            }
            for (int i = 0; i < count; ++i, ++x) {
                paint(RlePixel{x, row, coding.RunValue(file, at + 1, i)});
            }
            at += coding.RunSize();
        } else if (code == 0) {
            x = 0;
            ++row;
            at += 2;
        } else if (code == 1) {
            return at + 2 - layout.pixelOffset;
        } else if (code == 2) {
            const int right = file.Byte(at + 2);
            const int down = file.Byte(at + 3);
            if (!file.Has(at, 4) || right > layout.width - x || down > layout.height - row) {
                return std::nullopt;
            }
            x += right;
            row += down;
            at += 4;
        } else {
            at += 2;
            if (!file.Has(at, coding.LiteralSize(code)) || !fits(code)) {
                return std::nullopt;
            }
            for (int i = 0; i < code; ++i, ++x) {
                paint(RlePixel{x, row, coding.LiteralValue(file, at, i)});
            }
            at += coding.LiteralSize(code);
        }
    }
    return at - layout.pixelOffset;
}

// Pixels that a skip, an end of line or an early end of picture leaves unset show black: the
// palette's first entry would look like part of the picture, and 24-bit data has no palette.
// The data is walked through once before the picture is allocated: a header alone, or data
// that breaks off, never costs the picture's memory; nor does a picture larger than its data
// could fill with the longest runs.
template <typename Colour>
std::optional<RgbImage> DecodeRle(const LittleEndianReader& file, const Layout& layout,
                                  Colour colour) {
    const RleCoding coding(layout.bits);
    const std::optional<std::size_t> dataSize =
        WalkRle(file, layout, coding, [](const RlePixel&) {});
    if (!dataSize || static_cast<std::int64_t>(*dataSize / coding.RunSize() * kLongestRun) <
                         std::int64_t(layout.width) * layout.height) {
        return std::nullopt;
    }
    RgbImage image = Blank(layout);
    WalkRle(file, layout, coding, [&](const RlePixel& pixel) {
        Put(image, layout, pixel.x, pixel.row, colour(pixel.value));
    });
    return image;
}

bool IsRle(const Layout& layout) {
    const bool os2 = layout.headerSize == kOs2HeaderSize;
    return (layout.compression == kRle8 && layout.bits == 8) ||
           (layout.compression == kRle4 && layout.bits == 4) ||
           (os2 && layout.compression == kOs2Rle24 && layout.bits == 24);
}

bool IsUncompressed(const Layout& layout) {
    const bool os2 = layout.headerSize == kOs2HeaderSize;
    const bool masked = layout.bits == 16 || layout.bits == 32;
    switch (layout.compression) {
        case kUncompressed:
            return masked || layout.bits == 24 || layout.bits == 1 || layout.bits == 2 ||
                   layout.bits == 4 || layout.bits == 8;
        case kBitFields:
            return masked && !os2;
        case kAlphaBitFields:
            return masked && !os2;
        default:
            return false;
    }
}

std::optional<RgbImage> DecodePixels(const LittleEndianReader& file, const Layout& layout) {
    if (IsUncompressed(layout)) {
        return DecodeUncompressed(file, layout);
    }
    // RLE data is stored bottom-up only.
    if (!IsRle(layout) || layout.topDown) {
        return std::nullopt;
    }
    if (layout.bits == 24) {
        return DecodeRle(file, layout, [](std::uint32_t rgb) { return rgb; });
    }
    const std::optional<Palette> palette = Palette::Read(file, layout);
    if (!palette) {
        return std::nullopt;
    }
    return DecodeRle(file, layout, [&](std::uint32_t index) { return palette->Colour(index); });
}

// The ICC profile a V5 header embeds, empty for none; nothing when it lies past the file, for
// then the pixels' colours are unknown.
std::optional<std::string_view> EmbeddedProfile(std::string_view content, const Layout& layout) {
    const LittleEndianReader file(content);
    if (layout.headerSize != kV5HeaderSize ||
        file.Unsigned(kColourSpaceOffset, 4) != kEmbeddedProfile) {
        return std::string_view();
    }
    const std::size_t offset = kFileHeaderSize + std::size_t(file.Unsigned(kProfileOffset, 4));
    const std::size_t size = file.Unsigned(kProfileOffset + 4, 4);
    if (!file.Has(offset, size)) {
        return std::nullopt;
    }
    return content.substr(offset, size);
}

}  // namespace

std::optional<RgbImage> DecodeBitmap(std::string_view content) {
    if (SniffImageFormat(content) != ImageFormat::Bitmap) {
        return std::nullopt;
    }
    const LittleEndianReader file(content);
    const std::optional<Layout> layout = ReadLayout(file);
    if (!layout) {
        return std::nullopt;
    }
    const std::optional<std::string_view> profile = EmbeddedProfile(content, *layout);
    if (!profile) {
        return std::nullopt;
    }
    std::optional<RgbImage> image = DecodePixels(file, *layout);
    if (image) {
        // A profile Little CMS cannot read leaves the pixels as stored, as no profile would.
        ConvertToSrgb(*image, *profile);
    }
    return image;
}
