#pragma once

#include <cstdint>
#include <vector>

struct PictureSize {
    int width = 0;
    int height = 0;
};

// Where one monitor lies on the screen, in the screen's pixels.
struct PictureArea {
    int x = 0;
    int y = 0;
    int width = 0;
    int height = 0;
};

// The screen's picture: its size and its monitors. Without monitors the screen counts as one.
struct ScreenLayout {
    PictureSize size;
    std::vector<PictureArea> monitors;
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

// Sizes the pixels for `width` x `height`, black. A large picture is backed by huge pages where the
// kernel offers them on request: faulting tens of megabytes in 4 KB at a time costs more than
// writing them.
void AllocatePixels(RgbImage& image);

// Scales the image to cover width x height keeping its aspect ratio, centred, the overflow
// cropped (what desktops call "zoom" or "fill"). A tent filter: bilinear when enlarging, an
// average over the covered source pixels when shrinking; same-size input is copied exactly.
RgbImage ScaleToFill(const RgbImage& source, int width, int height);

// The screen's picture with every monitor filled by the whole image (ScaleToFill to the monitor's
// size), black where no monitor is; areas reaching past the screen are cut at its edge.
RgbImage FillMonitors(const RgbImage& source, const ScreenLayout& layout);
