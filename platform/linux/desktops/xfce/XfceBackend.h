#pragma once

#include "platform/linux/desktops/DesktopBackend.h"
#include "platform/linux/desktops/ScreenSizedHandover.h"

// XFCE: the xfce4-desktop channel of xfconf, over D-Bus. xfdesktop keeps one last-image per
// screen, monitor and workspace (/backdrop/screenS/monitorM/workspaceW/last-image).
class XfceBackend final : public DesktopBackend {
public:
    const char* Name() const override { return "XFCE"; }
    void ShowWallpaper(const std::string& bitmapPath) override;
    PictureDrawer* Drawer() override { return &screenSized; }

private:
    ScreenSizedHandover screenSized{*this};
};
