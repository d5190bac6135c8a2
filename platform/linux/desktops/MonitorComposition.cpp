#include "platform/linux/desktops/MonitorComposition.h"

#include <algorithm>
#include <cstring>
#include <limits>

RgbImage MonitorComposition::OnScreen(const std::vector<MonitorPicture>& pictures,
                                      PictureSize screen) {
    return Compose(pictures, {0, 0, screen.width, screen.height});
}

RgbImage MonitorComposition::Spanning(const std::vector<MonitorPicture>& pictures) {
    if (pictures.empty()) {
        FailToShowWallpaper();
    }
    // Wide enough that monitors far apart make a side too long rather than overflow.
    long long left = std::numeric_limits<int>::max();
    long long top = std::numeric_limits<int>::max();
    long long right = std::numeric_limits<int>::min();
    long long bottom = std::numeric_limits<int>::min();
    for (const MonitorPicture& each : pictures) {
        const PictureArea& area = each.monitor.area;
        left = std::min<long long>(left, area.x);
        top = std::min<long long>(top, area.y);
        right = std::max(right, static_cast<long long>(area.x) + area.width);
        bottom = std::max(bottom, static_cast<long long>(area.y) + area.height);
    }
    if (right - left > kLongestSide || bottom - top > kLongestSide) {
        FailToShowWallpaper();
    }
    return Compose(pictures, {static_cast<int>(left), static_cast<int>(top),
                              static_cast<int>(right - left), static_cast<int>(bottom - top)});
}

RgbImage MonitorComposition::Compose(const std::vector<MonitorPicture>& pictures,
                                     const PictureArea& canvas) {
    if (canvas.width <= 0 || canvas.height <= 0 || canvas.width > kLongestSide ||
        canvas.height > kLongestSide) {
        FailToShowWallpaper();
    }
    RgbImage composed{canvas.width, canvas.height, {}};
    AllocatePixels(composed);
    for (const MonitorPicture& each : pictures) {
        const RgbImage& picture = each.picture;
        // Where the picture lies on the canvas, cut at its edges.
        const long long x = static_cast<long long>(each.monitor.area.x) - canvas.x;
        const long long y = static_cast<long long>(each.monitor.area.y) - canvas.y;
        const long long firstColumn = std::max(0LL, -x);
        const long long lastColumn = std::min<long long>(picture.width, canvas.width - x);
        const long long firstRow = std::max(0LL, -y);
        const long long lastRow = std::min<long long>(picture.height, canvas.height - y);
        if (firstColumn >= lastColumn) {
            continue;
        }
        const auto rowBytes = static_cast<std::size_t>(lastColumn - firstColumn) * 3;
        for (long long row = firstRow; row < lastRow; ++row) {
            std::memcpy(
                composed.pixels.data() +
                    (static_cast<std::size_t>(y + row) * canvas.width + x + firstColumn) * 3,
                picture.Pixel(static_cast<int>(firstColumn), static_cast<int>(row)), rowBytes);
        }
    }
    return composed;
}
