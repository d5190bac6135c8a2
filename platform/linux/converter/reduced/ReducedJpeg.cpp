#include "platform/linux/converter/reduced/ReducedJpeg.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <new>
#include <vector>

#include "platform/linux/converter/UprightPicture.h"
#include "platform/linux/converter/jpeg/JpegDecompression.h"
#include "platform/linux/converter/jpeg/JpegOrientation.h"
#include "platform/linux/converter/jpeg/UprightJpeg.h"
#include "platform/linux/converter/reduced/TwoCoreJpegDecoder.h"

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

std::vector<PictureArea> MonitorsOf(const ScreenLayout& layout) {
    if (layout.monitors.empty()) {
        return {{0, 0, layout.size.width, layout.size.height}};
    }
    return layout.monitors;
}

// A size whose fill needs at least as many of the image's pixels as any monitor's.
PictureSize LargestFill(const std::vector<PictureArea>& monitors) {
    PictureSize largest{1, 1};
    for (const PictureArea& monitor : monitors) {
        largest = {std::max(largest.width, monitor.width),
                   std::max(largest.height, monitor.height)};
    }
    return largest;
}

// The rows from the top that filling every monitor reads (ScaleToFill crops the overflow evenly),
// with one to spare for the filter's reach.
int RowsRead(PictureSize picture, const std::vector<PictureArea>& monitors) {
    double rows = 0;
    for (const PictureArea& monitor : monitors) {
        const double scale = std::max(double(monitor.width) / picture.width,
                                      double(monitor.height) / picture.height);
        const double croppedAbove = (picture.height * scale - monitor.height) / 2;
        rows = std::max(rows, std::ceil((croppedAbove + monitor.height) / scale) + 1);
    }
    return static_cast<int>(std::min(rows, double(picture.height)));
}

// The commonest photos on two cores, upright; nothing for any other kind.
std::optional<RgbImage> DecodeOnTwoCores(std::string_view content, const JpegDecompression& jpeg,
                                         unsigned int eighths, UprightPicture::Turn turn) {
    const std::optional<BaselineScan> scan = jpeg.SingleBaselineScan();
    std::optional<TwoCoreJpegDecoder> decoder =
        scan ? TwoCoreJpegDecoder::For(content, *scan, eighths) : std::nullopt;
    std::optional<RgbImage> stored = decoder ? decoder->Decode() : std::nullopt;
    if (!stored) {
        return std::nullopt;
    }
    return UprightPicture::Turned(std::move(*stored), turn);
}

}  // namespace

std::optional<RgbImage> DecodeReducedJpeg(std::string_view content, const ScreenLayout& layout) {
    JpegDecompression jpeg(content);
    if (!jpeg.ReadHeader()) {
        return std::nullopt;
    }
    const UprightPicture::Turn turn = UprightPicture::Turn::FromExif(ReadJpegOrientation(content));
    const std::vector<PictureArea> monitors = MonitorsOf(layout);
    const unsigned int eighths =
        EighthsNeeded(jpeg.Size(), LargestFill(monitors), turn.quarterClockwise);
    if (eighths == 8) {
        return std::nullopt;
    }
    try {
        if (std::optional<RgbImage> picture = DecodeOnTwoCores(content, jpeg, eighths, turn)) {
            return picture;
        }
        return DecodeUprightJpeg(
            content, eighths,
            RowsRead(JpegDecompression::ReducedSize(jpeg.Size(), eighths), monitors));
    } catch (const std::bad_alloc&) {
        return std::nullopt;
    }
}
