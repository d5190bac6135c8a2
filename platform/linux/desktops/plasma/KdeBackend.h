#pragma once

#include "platform/linux/desktops/DesktopBackend.h"
#include "platform/linux/desktops/ScreenSizedHandover.h"

// KDE Plasma 5 and 6: desktop scripts evaluated by plasmashell over D-Bus
// (org.kde.PlasmaShell.evaluateScript). Only desktops that show a plain image are changed; a
// slideshow or any other wallpaper plugin the user chose is left alone. Each screen has its
// desktops (one for each activity), and a monitor is named after its screen's number.
class KdeBackend final : public DesktopBackend {
public:
    const char* Name() const override { return "KDE Plasma"; }
    void ShowWallpaper(const std::string& bitmapPath) override;
    // Monitors of one size get the picture at that size on X11. Not on Wayland, where Plasma
    // tells screens in logical pixels only and a scaled screen would get too few.
    PictureDrawer* Drawer() override { return &screenSized; }
    // In Plasma's logical pixels: its scripts do not tell a screen's scale.
    std::vector<DesktopMonitor> Monitors() override;
    void ShowOnMonitors(const std::vector<MonitorPicture>& pictures,
                        const std::string& bitmapPath) override;

private:
    ScreenSizedHandover screenSized{*this};
};
