#pragma once

#include <bit>
#include <cstdint>

// Packs 8-bit RGB into a pixel of a TrueColor visual given its channel masks (for example
// 0xff0000/0xff00/0xff at depth 24, 0xf800/0x7e0/0x1f at depth 16).
class X11PixelFormat final {
public:
    X11PixelFormat(unsigned long redMask, unsigned long greenMask, unsigned long blueMask)
        : red(redMask), green(greenMask), blue(blueMask) {}

    unsigned long Pack(std::uint8_t r, std::uint8_t g, std::uint8_t b) const {
        return red.Place(r) | green.Place(g) | blue.Place(b);
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
