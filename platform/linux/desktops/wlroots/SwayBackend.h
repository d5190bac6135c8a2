#pragma once

#include "platform/linux/desktops/DesktopBackend.h"

// sway: its own background command over its IPC socket (swaymsg output * bg FILE fill), which
// replaces the background sway draws from its configuration (and would cover a swaybg of ours
// started later) and reads the file anew each time; a swaybg of ours hides the moment in
// between.
class SwayBackend final : public DesktopBackend {
public:
    const char* Name() const override { return "sway"; }
    void ShowWallpaper(const std::string& bitmapPath) override;
};
