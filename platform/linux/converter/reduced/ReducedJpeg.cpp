#include "platform/linux/converter/reduced/ReducedJpeg.h"

#include <algorithm>
#include <new>
#include <utility>

#include "platform/linux/converter/QtImageDecoder.h"
#include "platform/linux/converter/jpeg/JpegDecompression.h"

namespace {

bool TurnsQuarter(QImageIOHandler::Transformations orientation) {
    return orientation.testFlag(QImageIOHandler::TransformationRotate90);
}

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
    if (!jpeg.ReadHeader() || !jpeg.IsPlainColour()) {
        return std::nullopt;
    }
    const QImageIOHandler::Transformations orientation = ReadOrientation(content);
    const unsigned int eighths = EighthsNeeded(jpeg.Size(), screen, TurnsQuarter(orientation));
    if (eighths == 8) {
        return std::nullopt;
    }
    try {
        std::optional<RgbImage> image = jpeg.Decode(eighths);
        if (!image) {
            return std::nullopt;
        }
        return Transformed(std::move(*image), orientation);
    } catch (const std::bad_alloc&) {
        return std::nullopt;
    }
}
