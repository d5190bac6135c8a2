#pragma once

#include <optional>
#include <string>

#include "model/CoreError.h"
#include "platform/linux/RgbImage.h"

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

    // A backend that draws the picture itself names the size it draws; it is then handed the
    // picture at that size, scaled from the same decoding as the bitmap, and never reads the
    // bitmap back.
    virtual std::optional<PictureSize> DrawnPictureSize() { return std::nullopt; }
    virtual void ShowDrawnPicture(const std::string& bitmapPath, const RgbImage& picture) {
        (void)picture;
        ShowWallpaper(bitmapPath);
    }
};

[[noreturn]] inline void FailToShowWallpaper() {
    throw CoreError("Can't change desktop wallpaper");
}
