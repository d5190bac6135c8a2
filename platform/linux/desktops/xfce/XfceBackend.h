#pragma once

#include "platform/linux/desktops/DesktopBackend.h"
#include "platform/linux/desktops/ScreenSizedHandover.h"

// XFCE: the xfce4-desktop channel of xfconf, over D-Bus. xfdesktop keeps one last-image per
// screen, monitor and workspace (/backdrop/screenS/monitorM/workspaceW/last-image), M being
// the name RandR gives the monitor (its output's).
class XfceBackend final : public DesktopBackend {
public:
    const char* Name() const override { return "XFCE"; }
    void ShowWallpaper(const std::string& bitmapPath) override;
    PictureDrawer* Drawer() override { return &screenSized; }

    // Each monitor's picture in its own file, set on that monitor's workspaces.
    std::vector<DesktopMonitor> Monitors() override;
    void ShowOnMonitors(const std::vector<MonitorPicture>& pictures,
                        const std::string& bitmapPath) override;

private:
    ScreenSizedHandover screenSized{*this};
};
