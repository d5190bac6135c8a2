#pragma once

#include <string>

#include "model/CoreError.h"

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
};

[[noreturn]] inline void FailToShowWallpaper() {
    throw CoreError("Can't change desktop wallpaper");
}
