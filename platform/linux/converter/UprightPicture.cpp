#include "platform/linux/converter/UprightPicture.h"

#include <algorithm>
#include <array>
#include <utility>

namespace {

// Rows placed together: a quarter turn writes each column of the band as a short run of one
// upright row instead of one pixel to each of thousands of rows.
constexpr int kRowsTogether = 16;

}  // namespace

UprightPicture::Turn UprightPicture::Turn::FromExif(int orientation) {
    switch (orientation) {
        case 2:
            return {true, false, false};
        case 3:
            return {true, true, false};
        case 4:
            return {false, true, false};
        case 5:
            return {false, true, true};
        case 6:
            return {false, false, true};
        case 7:
            return {true, false, true};
        case 8:
            return {true, true, true};
        default:
            return {};
    }
}

UprightPicture::UprightPicture(PictureSize stored, Turn turn)
    : stored(stored),
      turn(turn),
      picture{turn.quarterClockwise ? stored.height : stored.width,
              turn.quarterClockwise ? stored.width : stored.height,
              {}} {
    AllocatePixels(picture);
}

void UprightPicture::Place(const std::uint8_t* rows, int first, int count) {
    const std::ptrdiff_t pixel = 3;
    const std::ptrdiff_t uprightStride = std::ptrdiff_t(picture.width) * pixel;
    const int lastX = stored.width - 1;
    for (int done = 0; done < count; done += kRowsTogether) {
        const int together = std::min(kRowsTogether, count - done);
        // Where each row's first stored pixel goes, in bytes; the next one along the row lands
        // `along` bytes further.
        std::array<std::ptrdiff_t, kRowsTogether> start{};
        for (int row = 0; row < together; ++row) {
            const int y = first + done + row;
            const int turnedY = turn.flip ? stored.height - 1 - y : y;
            const int x0 = turn.mirror ? lastX : 0;
            start[row] = turn.quarterClockwise
                             ? std::ptrdiff_t(x0) * uprightStride +
                                   std::ptrdiff_t(stored.height - 1 - turnedY) * pixel
                             : std::ptrdiff_t(turnedY) * uprightStride + std::ptrdiff_t(x0) * pixel;
        }
        const std::ptrdiff_t along =
            (turn.quarterClockwise ? uprightStride : pixel) * (turn.mirror ? -1 : 1);
        const std::uint8_t* band = rows + std::size_t(done) * stored.width * pixel;
        std::uint8_t* out = picture.pixels.data();
        for (int x = 0; x < stored.width; ++x) {
            for (int row = 0; row < together; ++row) {
                const std::uint8_t* in = band + (std::size_t(row) * stored.width + x) * pixel;
                std::copy_n(in, pixel, out + start[row] + along * x);
            }
        }
    }
}

RgbImage UprightPicture::Take() && {
    return std::move(picture);
}

RgbImage UprightPicture::Turned(RgbImage stored, Turn turn) {
    if (turn.IsNone()) {
        return stored;
    }
    UprightPicture upright({stored.width, stored.height}, turn);
    upright.Place(stored.pixels.data(), 0, stored.height);
    return std::move(upright).Take();
}
