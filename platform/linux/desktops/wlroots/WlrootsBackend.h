#pragma once

#include "platform/linux/desktops/DesktopBackend.h"

// Other wlroots compositors, which leave the background to clients: a swaybg of our own
// (SwaybgReplacement).
class WlrootsBackend final : public DesktopBackend {
public:
    const char* Name() const override { return "wlroots (swaybg)"; }
    void ShowWallpaper(const std::string& bitmapPath) override;
};
