#pragma once

#include "platform/linux/desktops/ScreenSizedHandover.h"
#include "platform/linux/desktops/gsettings/GSettingsBackend.h"

// Cinnamon: org.cinnamon.desktop.background picture-uri (a file URI) through GSettings.
class CinnamonBackend final : public GSettingsBackend {
public:
    const char* Name() const override { return "Cinnamon"; }
    PictureDrawer* Drawer() override { return &screenSized; }
    // RandR's, in an X11 session.
    std::vector<DesktopMonitor> Monitors() override;

private:
    void ShowFile(const std::string& path, GSettingsPictureWriter::Placement placement) override;

    ScreenSizedHandover screenSized{*this};
};
