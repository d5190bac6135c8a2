#pragma once

#include "platform/linux/desktops/ScreenSizedHandover.h"
#include "platform/linux/desktops/gsettings/GSettingsBackend.h"
#include "platform/linux/desktops/gsettings/MutterMonitorLayout.h"

// The GNOME family (GNOME, Ubuntu, Unity, Budgie, Pantheon): org.gnome.desktop.background
// through GSettings.
class GnomeBackend final : public GSettingsBackend {
public:
    const char* Name() const override { return "GNOME"; }
    PictureDrawer* Drawer() override { return &screenSized; }
    // RandR's on X11; the compositor's on Wayland, where there is no X server to ask.
    std::vector<DesktopMonitor> Monitors() override;

private:
    void ShowFile(const std::string& path, GSettingsPictureWriter::Placement placement) override;

    ScreenSizedHandover screenSized{*this, &MutterMonitorLayout::MonitorSizes};
};
