#pragma once

#include <optional>
#include <string>
#include <vector>

#include "model/CoreError.h"
#include "platform/linux/converter/RgbImage.h"

// A desktop that is handed the picture already scaled to fill its size, from the same decoding
// as the bitmap (never reading the bitmap back). Show comes as soon as the picture is made, while
// the bitmap is still being written, and may put it on the screen at once; then Keep, once the
// bitmap is in place, or TakeBack, should it fail, which brings back what was shown before.
class PictureDrawer {
public:
    virtual ~PictureDrawer() = default;
    // The screen and its monitors; nothing when the display cannot be reached.
    virtual std::optional<ScreenLayout> Layout() = 0;
    // Called on another thread while the picture is being made, before Show: whatever Show can
    // do ahead of the pixels. Must not throw; a failure shows in Show.
    virtual void Prepare() {}
    // Throws CoreError "Can't change desktop wallpaper".
    virtual void Show(const RgbImage& picture) = 0;
    // bitmapPath: "wallpaper.bmp", now in place.
    virtual void Keep(const std::string& bitmapPath) = 0;
    virtual void TakeBack() = 0;
};

// One monitor as a desktop knows it: what it calls it (the RandR monitor or the Wayland output's
// connector) and where it lies, in the desktop's own pixels.
struct DesktopMonitor {
    std::string name;
    PictureArea area;
};

// A monitor and the picture made for it, filled to its size.
struct MonitorPicture {
    DesktopMonitor monitor;
    RgbImage picture;
};

// One way of handing the bitmap to a running desktop. A backend is asked only when the session
// environment says its desktop runs, and must make the desktop show the new content although
// the bitmap path is the same on every change.
class DesktopBackend {
public:
    virtual ~DesktopBackend() = default;
    virtual const char* Name() const = 0;
    // bitmapPath is the native (UTF-8) path of "wallpaper.bmp". Throws CoreError
    // "Can't change desktop wallpaper" when the desktop did not take it.
    virtual void ShowWallpaper(const std::string& bitmapPath) = 0;

    // A backend that draws the picture itself; most desktops read the bitmap instead.
    virtual PictureDrawer* Drawer() { return nullptr; }

    // The desktop's monitors, left to right, then top to bottom; empty where it cannot tell,
    // and then it shows one picture everywhere. Asked before each change: kept cheap.
    virtual std::vector<DesktopMonitor> Monitors() { return {}; }
    // Each monitor's own picture, one for each of Monitors(), in its order; bitmapPath:
    // "wallpaper.bmp" of the first, now in place. This default shows the bitmap. Throws
    // CoreError "Can't change desktop wallpaper".
    virtual void ShowOnMonitors(const std::vector<MonitorPicture>& pictures,
                                const std::string& bitmapPath);
    // Where the monitors' pictures are shown composed as they lie on the drawer's screen, that
    // drawer: the picture then goes on the screen as soon as it is made, while the bitmap is
    // still being written, as one picture for all does. Null where ShowOnMonitors shows them.
    virtual PictureDrawer* ComposingDrawer() { return nullptr; }
};

[[noreturn]] inline void FailToShowWallpaper() {
    throw CoreError("Can't change desktop wallpaper");
}
