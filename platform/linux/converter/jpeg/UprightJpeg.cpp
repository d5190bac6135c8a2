#include "platform/linux/converter/jpeg/UprightJpeg.h"

#include <cstdint>

#include "platform/linux/converter/UprightPicture.h"
#include "platform/linux/converter/formats/DecodeBudget.h"
#include "platform/linux/converter/jpeg/JpegDecompression.h"
#include "platform/linux/converter/jpeg/JpegOrientation.h"

namespace {

// Bytes a pixel held at once: the upright picture, and a progressive file's coefficients (two
// bytes for each of three full-size components at most), which libjpeg keeps until the last row
// is out.
constexpr unsigned kJpegPicture = 3;
constexpr unsigned kJpegCoefficients = 6;

bool FitsMemory(const JpegDecompression& jpeg) {
    const PictureSize size = jpeg.Size();
    const unsigned bytesPerPixel = kJpegPicture + (jpeg.IsProgressive() ? kJpegCoefficients : 0);
    return FitsDecodeBudget(static_cast<std::uint32_t>(size.width),
                            static_cast<std::uint32_t>(size.height), bytesPerPixel, kJpegPicture);
}

// A full-size picture that EXIF turns is placed upright band by band as it is decoded; a reduced
// one is small enough to turn whole.
std::optional<RgbImage> DecodeTurned(JpegDecompression& jpeg, UprightPicture::Turn turn,
                                     unsigned int eighths, std::optional<int> rows) {
    if (eighths != 8) {
        std::optional<RgbImage> stored = jpeg.Decode(eighths, rows);
        if (!stored) {
            return std::nullopt;
        }
        return UprightPicture::Turned(std::move(*stored), turn);
    }
    UprightPicture upright(jpeg.Size(), turn);
    const auto place = [&](const std::uint8_t* rows, int first, int count) {
        upright.Place(rows, first, count);
    };
    if (!jpeg.DecodeBands(place)) {
        return std::nullopt;
    }
    return std::move(upright).Take();
}

}  // namespace

std::optional<RgbImage> DecodeUprightJpeg(std::string_view content, unsigned int eighths,
                                          std::optional<int> rows) {
    JpegDecompression jpeg(content);
    if (!jpeg.ReadHeader() || !jpeg.IsPlainColour() || !FitsMemory(jpeg)) {
        return std::nullopt;
    }
    const UprightPicture::Turn turn = UprightPicture::Turn::FromExif(ReadJpegOrientation(content));
    if (turn.IsNone()) {
        return jpeg.Decode(eighths, rows);
    }
    return DecodeTurned(jpeg, turn, eighths,
                        turn.flip || turn.quarterClockwise ? std::nullopt : rows);
}
