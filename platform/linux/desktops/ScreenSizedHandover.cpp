#include "platform/linux/desktops/ScreenSizedHandover.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <vector>

#include "platform/linux/desktops/ScreenPictureFile.h"
#include "platform/linux/desktops/SessionEnvironment.h"
#include "platform/linux/x11/X11MonitorLayout.h"

namespace {

// The X screen's monitors; the screen itself when RandR reports none.
std::vector<PictureSize> X11MonitorSizes() {
    const std::optional<ScreenLayout> screen = X11MonitorLayout::Query().Screen();
    if (!screen) {
        return {};
    }
    if (screen->monitors.empty()) {
        return {screen->size};
    }
    std::vector<PictureSize> sizes;
    for (const PictureArea& monitor : screen->monitors) {
        sizes.push_back({monitor.width, monitor.height});
    }
    return sizes;
}

// Monitors of different sizes would each crop the one picture differently than the whole
// image: they get the bitmap.
std::optional<PictureSize> CommonSize(const std::vector<PictureSize>& sizes) {
    if (sizes.empty()) {
        return std::nullopt;
    }
    const PictureSize first = sizes.front();
    const bool allAlike = std::all_of(sizes.begin(), sizes.end(), [&](const PictureSize& size) {
        return size.width == first.width && size.height == first.height;
    });
    return allAlike ? std::optional<PictureSize>(first) : std::nullopt;
}

std::int32_t LittleEndian32(const unsigned char* bytes) {
    return static_cast<std::int32_t>(std::uint32_t(bytes[0]) | std::uint32_t(bytes[1]) << 8 |
                                     std::uint32_t(bytes[2]) << 16 | std::uint32_t(bytes[3]) << 24);
}

// The image's size, from the header the converter wrote; nothing when it cannot be read.
std::optional<PictureSize> BitmapSize(const std::string& bitmapPath) {
    constexpr std::size_t kWidthAt = 18;
    constexpr std::size_t kHeightAt = 22;
    std::array<unsigned char, kHeightAt + 4> header{};
    std::ifstream file(bitmapPath, std::ios::binary);
    if (!file.read(reinterpret_cast<char*>(header.data()), header.size()) || header[0] != 'B' ||
        header[1] != 'M') {
        return std::nullopt;
    }
    // Negative for rows stored top to bottom.
    return PictureSize{std::abs(LittleEndian32(&header[kWidthAt])),
                       std::abs(LittleEndian32(&header[kHeightAt]))};
}

// Enlarged by our filter rather than the desktop's, a small picture would not look the same.
bool CoversPicture(const std::optional<PictureSize>& image, const RgbImage& picture) {
    return image && !picture.pixels.empty() && image->width >= picture.width &&
           image->height >= picture.height;
}

}  // namespace

std::optional<ScreenLayout> ScreenSizedHandover::Layout() {
    // Under Wayland, Xwayland's screen may be scaled and is not what the desktop fills: only
    // the compositor can tell.
    const bool x11 = SessionEnvironment::FromProcess().IsX11Session();
    const std::optional<PictureSize> size =
        CommonSize(x11                   ? X11MonitorSizes()
                   : waylandMonitorSizes ? waylandMonitorSizes()
                                         : std::vector<PictureSize>());
    return size ? std::optional<ScreenLayout>(ScreenLayout{*size, {}}) : std::nullopt;
}

void ScreenSizedHandover::Keep(const std::string& bitmapPath) {
    desktop.ShowWallpaper(CoversPicture(BitmapSize(bitmapPath), picture)
                              ? ScreenPictureFile::Replace(picture, bitmapPath)
                              : bitmapPath);
}
