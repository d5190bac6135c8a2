#include "platform/linux/desktops/ScreenSizedHandover.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstdlib>
#include <fstream>

#include "platform/linux/desktops/ScreenPictureFile.h"
#include "platform/linux/desktops/SessionEnvironment.h"
#include "platform/linux/x11/X11MonitorLayout.h"

namespace {

// Monitors of different sizes would each crop the one picture differently than the whole
// image: they get the bitmap.
std::optional<PictureSize> CommonMonitorSize(const ScreenLayout& screen) {
    if (screen.monitors.empty()) {
        return screen.size;
    }
    const PictureArea& first = screen.monitors.front();
    const bool allAlike = std::all_of(
        screen.monitors.begin(), screen.monitors.end(), [&](const PictureArea& monitor) {
            return monitor.width == first.width && monitor.height == first.height;
        });
    return allAlike ? std::optional<PictureSize>({first.width, first.height}) : std::nullopt;
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
    // Under Wayland, Xwayland's screen may be scaled and is not what the desktop fills.
    if (!SessionEnvironment::FromProcess().IsX11Session()) {
        return std::nullopt;
    }
    const std::optional<ScreenLayout> screen = X11MonitorLayout::Query().Screen();
    const std::optional<PictureSize> size = screen ? CommonMonitorSize(*screen) : std::nullopt;
    return size ? std::optional<ScreenLayout>(ScreenLayout{*size, {}}) : std::nullopt;
}

void ScreenSizedHandover::Keep(const std::string& bitmapPath) {
    desktop.ShowWallpaper(CoversPicture(BitmapSize(bitmapPath), picture)
                              ? ScreenPictureFile::Replace(picture, bitmapPath)
                              : bitmapPath);
}
