#pragma once

#include "platform/linux/desktops/DesktopBackend.h"
#include "platform/linux/desktops/ScreenSizedHandover.h"
#include "platform/linux/desktops/gsettings/GSettingsPictureWriter.h"

// MATE: org.mate.background picture-filename (a plain path) through GSettings.
class MateBackend final : public DesktopBackend {
public:
    const char* Name() const override { return "MATE"; }
    void ShowWallpaper(const std::string& bitmapPath) override;
    PictureDrawer* Drawer() override { return &screenSized; }
    // RandR's, in an X11 session.
    std::vector<DesktopMonitor> Monitors() override;
    // One picture spread over all the monitors, beside the bitmap.
    void ShowOnMonitors(const std::vector<MonitorPicture>& pictures,
                        const std::string& bitmapPath) override;

private:
    static void ShowFile(const std::string& path, GSettingsPictureWriter::Placement placement);

    ScreenSizedHandover screenSized{*this};
};
