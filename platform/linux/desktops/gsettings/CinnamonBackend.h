#pragma once

#include "platform/linux/desktops/DesktopBackend.h"
#include "platform/linux/desktops/ScreenSizedHandover.h"
#include "platform/linux/desktops/gsettings/GSettingsPictureWriter.h"

// Cinnamon: org.cinnamon.desktop.background picture-uri (a file URI) through GSettings.
class CinnamonBackend final : public DesktopBackend {
public:
    const char* Name() const override { return "Cinnamon"; }
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
