#pragma once

#include <optional>
#include <string>
#include <vector>

#include "platform/linux/desktops/DesktopBackend.h"

// For a desktop that reads a file and fills each monitor with it: the picture at a monitor's
// size, made by the converter from the same decoding, rather than the full bitmap, which such a
// desktop decodes and keeps whole for as long as it shows it (a 6000x4000 photo: 72 MB to read,
// 24 megapixels held). Only where it looks the same: monitors that all have one size, and a
// picture at least that large; otherwise the desktop gets "wallpaper.bmp". The
// desktop's ShowWallpaper removes the smaller file once it shows another
// (ScreenPictureFile::RemoveUnlessShown).
class ScreenSizedHandover final : public PictureDrawer {
public:
    // The monitors' sizes in a Wayland session, where the compositor alone knows them.
    using MonitorSizes = std::vector<PictureSize> (*)();

    // `desktop` shows each file it is handed; it outlives this object. Without
    // `waylandMonitorSizes` a Wayland session's desktop gets the bitmap.
    explicit ScreenSizedHandover(DesktopBackend& desktop,
                                 MonitorSizes waylandMonitorSizes = nullptr)
        : desktop(desktop), waylandMonitorSizes(waylandMonitorSizes) {}
    ScreenSizedHandover(const ScreenSizedHandover&) = delete;
    ScreenSizedHandover& operator=(const ScreenSizedHandover&) = delete;

    // One monitor's size, which the converter fills with the whole picture.
    std::optional<ScreenLayout> Layout() override;
    // The desktop reads a file: it gets the picture only once the bitmap is in place.
    void Show(const RgbImage& filled) override { picture = filled; }
    void Keep(const std::string& bitmapPath) override;
    void TakeBack() override { picture = RgbImage(); }

private:
    DesktopBackend& desktop;
    MonitorSizes waylandMonitorSizes;
    RgbImage picture;
};
