#pragma once

#include <cstdint>
#include <vector>

struct PictureSize {
    int width = 0;
    int height = 0;
};

// 8-bit RGB pixels, rows top to bottom, no padding between rows.
struct RgbImage {
    int width = 0;
    int height = 0;
    std::vector<std::uint8_t> pixels;

    const std::uint8_t* Pixel(int x, int y) const {
        return pixels.data() + (static_cast<std::size_t>(y) * width + x) * 3;
    }
};

// Scales the image to cover width x height keeping its aspect ratio, centred, the overflow
// cropped (what desktops call "zoom" or "fill"). A tent filter: bilinear when enlarging, an
// average over the covered source pixels when shrinking; same-size input is copied exactly.
RgbImage ScaleToFill(const RgbImage& source, int width, int height);
