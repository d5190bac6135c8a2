#pragma once

#include "platform/linux/desktops/DesktopBackend.h"
#include "platform/linux/desktops/ScreenSizedHandover.h"
#include "platform/linux/desktops/gsettings/GSettingsPictureWriter.h"
#include "platform/linux/desktops/gsettings/MutterMonitorLayout.h"

// The GNOME family (GNOME, Ubuntu, Unity, Budgie, Pantheon): org.gnome.desktop.background
// through GSettings.
class GnomeBackend final : public DesktopBackend {
public:
    const char* Name() const override { return "GNOME"; }
    void ShowWallpaper(const std::string& bitmapPath) override;
    PictureDrawer* Drawer() override { return &screenSized; }
    // RandR's on X11; the compositor's on Wayland, where there is no X server to ask.
    std::vector<DesktopMonitor> Monitors() override;
    // One picture spread over all the monitors, beside the bitmap.
    void ShowOnMonitors(const std::vector<MonitorPicture>& pictures,
                        const std::string& bitmapPath) override;

private:
    void ShowFile(const std::string& path, GSettingsPictureWriter::Placement placement);

    ScreenSizedHandover screenSized{*this, &MutterMonitorLayout::MonitorSizes};
};
