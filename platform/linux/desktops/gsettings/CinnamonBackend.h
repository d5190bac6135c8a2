#pragma once

#include "platform/linux/desktops/DesktopBackend.h"
#include "platform/linux/desktops/ScreenSizedHandover.h"

// Cinnamon: org.cinnamon.desktop.background picture-uri (a file URI) through GSettings.
class CinnamonBackend final : public DesktopBackend {
public:
    const char* Name() const override { return "Cinnamon"; }
    void ShowWallpaper(const std::string& bitmapPath) override;
    PictureDrawer* Drawer() override { return &screenSized; }

private:
    ScreenSizedHandover screenSized{*this};
};
