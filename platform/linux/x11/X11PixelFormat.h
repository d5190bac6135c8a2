#pragma once

#include <array>
#include <bit>
#include <cstdint>
#include <cstring>

// Packs 8-bit RGB into a pixel of a TrueColor visual given its channel masks (for example
// 0xff0000/0xff00/0xff at depth 24, 0xf800/0x7e0/0x1f at depth 16), and rows of such pixels into
// the bytes of a server's image.
class X11PixelFormat final {
public:
    X11PixelFormat(unsigned long redMask, unsigned long greenMask, unsigned long blueMask)
        : red(redMask), green(greenMask), blue(blueMask) {}

    unsigned long Pack(std::uint8_t r, std::uint8_t g, std::uint8_t b) const {
        return red.Place(r) | green.Place(g) | blue.Place(b);
    }

    // `width` RGB pixels as `bytesPerPixel` bytes each, in the server's byte order.
    void PackRow(const std::uint8_t* rgb, int width, int bytesPerPixel, bool mostSignificantFirst,
                 std::uint8_t* out) const {
        if (bytesPerPixel == 4 && mostSignificantFirst == kHostIsMostSignificantFirst) {
            PackWordRow(rgb, width, out);
            return;
        }
        for (int x = 0; x < width; ++x, rgb += 3) {
            const unsigned long pixel = Pack(rgb[0], rgb[1], rgb[2]);
            for (int byte = 0; byte < bytesPerPixel; ++byte) {
                const int significance = mostSignificantFirst ? bytesPerPixel - 1 - byte : byte;
                *out++ = static_cast<std::uint8_t>(pixel >> (8 * significance));
            }
        }
    }

private:
    static constexpr bool kHostIsMostSignificantFirst = std::endian::native == std::endian::big;

    // The common 32-bit pixel in the host's order: whole words, as the screen's picture is drawn
    // on every change.
    void PackWordRow(const std::uint8_t* rgb, int width, std::uint8_t* out) const {
        for (int x = 0; x < width; ++x, rgb += 3, out += 4) {
            const auto pixel = static_cast<std::uint32_t>(Pack(rgb[0], rgb[1], rgb[2]));
            std::memcpy(out, &pixel, sizeof pixel);
        }
    }

    // Each of the 256 levels placed once, rather than scaled for every pixel.
    class Channel {
    public:
        explicit Channel(unsigned long mask) {
            const int shift = mask == 0 ? 0 : std::countr_zero(mask);
            const unsigned long maximum = mask == 0 ? 0 : (mask >> shift);
            for (unsigned value = 0; value < placed.size(); ++value) {
                placed[value] = ((value * maximum + 127) / 255) << shift;
            }
        }
        unsigned long Place(std::uint8_t value) const { return placed[value]; }

    private:
        std::array<unsigned long, 256> placed{};
    };
    Channel red;
    Channel green;
    Channel blue;
};
