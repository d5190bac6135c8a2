#pragma once

#include <bit>
#include <cstdint>

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
        for (int x = 0; x < width; ++x, rgb += 3) {
            const unsigned long pixel = Pack(rgb[0], rgb[1], rgb[2]);
            for (int byte = 0; byte < bytesPerPixel; ++byte) {
                const int significance = mostSignificantFirst ? bytesPerPixel - 1 - byte : byte;
                *out++ = static_cast<std::uint8_t>(pixel >> (8 * significance));
            }
        }
    }

private:
    struct Channel {
        explicit Channel(unsigned long mask)
            : shift(mask == 0 ? 0 : std::countr_zero(mask)),
              maximum(mask == 0 ? 0 : (mask >> shift)) {}
        unsigned long Place(std::uint8_t value) const {
            return ((value * maximum + 127) / 255) << shift;
        }
        int shift;
        unsigned long maximum;
    };
    Channel red;
    Channel green;
    Channel blue;
};
