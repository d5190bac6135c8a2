#pragma once

#include "platform/linux/desktops/DesktopBackend.h"
#include "platform/linux/desktops/ScreenSizedHandover.h"
#include "platform/linux/desktops/gsettings/MutterMonitorLayout.h"

// The GNOME family (GNOME, Ubuntu, Unity, Budgie, Pantheon): org.gnome.desktop.background
// through GSettings.
class GnomeBackend final : public DesktopBackend {
public:
    const char* Name() const override { return "GNOME"; }
    void ShowWallpaper(const std::string& bitmapPath) override;
    PictureDrawer* Drawer() override { return &screenSized; }

private:
    ScreenSizedHandover screenSized{*this, &MutterMonitorLayout::MonitorSizes};
};
