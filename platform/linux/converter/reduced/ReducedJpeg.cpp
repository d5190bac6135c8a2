#include "platform/linux/converter/reduced/ReducedJpeg.h"

#include <algorithm>
#include <new>

#include "platform/linux/converter/UprightPicture.h"
#include "platform/linux/converter/jpeg/JpegDecompression.h"
#include "platform/linux/converter/jpeg/JpegOrientation.h"
#include "platform/linux/converter/jpeg/UprightJpeg.h"

namespace {

// The fewest eighths of each side that still cover the screen once the picture is upright;
// 8 when only the full size does.
unsigned int EighthsNeeded(PictureSize picture, PictureSize screen, bool quarterTurn) {
    const double uprightWidth = quarterTurn ? picture.height : picture.width;
    const double uprightHeight = quarterTurn ? picture.width : picture.height;
    const double share = std::max(screen.width / uprightWidth, screen.height / uprightHeight);
    for (unsigned int eighths = 1; eighths < 8; ++eighths) {
        if (eighths / 8.0 >= share) {
            return eighths;
        }
    }
    return 8;
}

}  // namespace

std::optional<RgbImage> DecodeReducedJpeg(std::string_view content, PictureSize screen) {
    JpegDecompression jpeg(content);
    if (!jpeg.ReadHeader()) {
        return std::nullopt;
    }
    const UprightPicture::Turn turn = UprightPicture::Turn::FromExif(ReadJpegOrientation(content));
    const unsigned int eighths = EighthsNeeded(jpeg.Size(), screen, turn.quarterClockwise);
    if (eighths == 8) {
        return std::nullopt;
    }
    try {
        return DecodeUprightJpeg(content, eighths);
    } catch (const std::bad_alloc&) {
        return std::nullopt;
    }
}
