#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "platform/linux/converter/RgbImage.h"

// The upright picture of a file whose stored pixels are to be mirrored, flipped or turned a
// quarter, filled band by band as the stored rows are decoded: one picture's memory, where
// turning a whole decoded picture needs two.
class UprightPicture final {
public:
    // Applied in this order, as Qt applies its transformations: a half turn is a mirroring and a
    // flip, a quarter turn back all three.
    struct Turn {
        bool mirror = false;
        bool flip = false;
        bool quarterClockwise = false;

        // What an EXIF orientation number (1 to 8) asks for; upright for any other.
        static Turn FromExif(int orientation);
        bool IsNone() const { return !mirror && !flip && !quarterClockwise; }
    };

    // Throws std::bad_alloc when the picture does not fit in memory.
    UprightPicture(PictureSize stored, Turn turn);

    // Stored rows [first, first + count), 8-bit RGB without padding, `stored.width` pixels each.
    void Place(const std::uint8_t* rows, int first, int count);

    RgbImage Take() &&;

    // A whole stored picture upright: the same picture where there is nothing to turn.
    static RgbImage Turned(RgbImage stored, Turn turn);

private:
    PictureSize stored;
    Turn turn;
    RgbImage picture;
};
