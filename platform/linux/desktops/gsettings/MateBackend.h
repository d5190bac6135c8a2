#pragma once

#include "platform/linux/desktops/DesktopBackend.h"
#include "platform/linux/desktops/ScreenSizedHandover.h"

// MATE: org.mate.background picture-filename (a plain path) through GSettings.
class MateBackend final : public DesktopBackend {
public:
    const char* Name() const override { return "MATE"; }
    void ShowWallpaper(const std::string& bitmapPath) override;
    PictureDrawer* Drawer() override { return &screenSized; }

private:
    ScreenSizedHandover screenSized{*this};
};
