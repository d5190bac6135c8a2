#pragma once

#include "platform/linux/desktops/ScreenSizedHandover.h"
#include "platform/linux/desktops/gsettings/GSettingsBackend.h"

// MATE: org.mate.background picture-filename (a plain path) through GSettings.
class MateBackend final : public GSettingsBackend {
public:
    const char* Name() const override { return "MATE"; }
    PictureDrawer* Drawer() override { return &screenSized; }
    // RandR's, in an X11 session.
    std::vector<DesktopMonitor> Monitors() override;

private:
    void ShowFile(const std::string& path, GSettingsPictureWriter::Placement placement) override;

    ScreenSizedHandover screenSized{*this};
};
