#include "platform/linux/converter/isobmff/PictureOrientation.h"

#include <algorithm>
#include <cstring>
#include <utility>

namespace {

std::size_t Offset(const RgbImage& image, int x, int y) {
    return (static_cast<std::size_t>(y) * image.width + x) * 3;
}

// Each quarter turn anticlockwise takes the source's column x, read top to bottom, to the row
// (width - 1 - x), left to right.
RgbImage TurnedAnticlockwise(const RgbImage& source) {
    RgbImage turned{source.height, source.width, std::vector<std::uint8_t>(source.pixels.size())};
    for (int y = 0; y < source.height; ++y) {
        for (int x = 0; x < source.width; ++x) {
            std::memcpy(turned.pixels.data() + Offset(turned, y, source.width - 1 - x),
                        source.pixels.data() + Offset(source, x, y), 3);
        }
    }
    return turned;
}

RgbImage TurnedHalfway(RgbImage image) {
    auto* pixels = reinterpret_cast<std::uint8_t(*)[3]>(image.pixels.data());
    std::reverse(pixels, pixels + image.pixels.size() / 3);
    return image;
}

void SwapRows(RgbImage& image) {
    const std::size_t rowSize = static_cast<std::size_t>(image.width) * 3;
    for (int top = 0, bottom = image.height - 1; top < bottom; ++top, --bottom) {
        std::swap_ranges(image.pixels.begin() + static_cast<std::ptrdiff_t>(rowSize * top),
                         image.pixels.begin() + static_cast<std::ptrdiff_t>(rowSize * (top + 1)),
                         image.pixels.begin() + static_cast<std::ptrdiff_t>(rowSize * bottom));
    }
}

void ReverseRows(RgbImage& image) {
    for (int y = 0; y < image.height; ++y) {
        auto* row = reinterpret_cast<std::uint8_t(*)[3]>(image.pixels.data() + Offset(image, 0, y));
        std::reverse(row, row + image.width);
    }
}

}  // namespace

RgbImage Oriented(RgbImage image, PictureOrientation orientation) {
    const int turns = ((orientation.anticlockwiseQuarterTurns % 4) + 4) % 4;
    if (turns == 2) {
        image = TurnedHalfway(std::move(image));
    } else if (turns != 0) {
        image = TurnedAnticlockwise(image);
        if (turns == 3) {
            image = TurnedHalfway(std::move(image));
        }
    }
    if (orientation.mirror == PictureOrientation::Mirror::TopAndBottom) {
        SwapRows(image);
    } else if (orientation.mirror == PictureOrientation::Mirror::LeftAndRight) {
        ReverseRows(image);
    }
    return image;
}
