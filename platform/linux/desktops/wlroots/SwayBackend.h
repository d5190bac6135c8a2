#pragma once

#include "platform/linux/desktops/DesktopBackend.h"
#include "platform/linux/desktops/ScreenSizedHandover.h"

// sway: its own background command over its IPC socket (swaymsg output * bg FILE fill), which
// replaces the background sway draws from its configuration (and would cover a swaybg of ours
// started later) and reads the file anew each time; a swaybg of ours hides the moment in
// between. With a picture for each output, each output gets its own file and command.
class SwayBackend final : public DesktopBackend {
public:
    const char* Name() const override { return "sway"; }
    void ShowWallpaper(const std::string& bitmapPath) override;
    // swaybg decodes the file whole and fills each output with it: outputs of one size get the
    // picture at that size.
    PictureDrawer* Drawer() override { return &screenSized; }

    std::vector<DesktopMonitor> Monitors() override;
    void ShowOnMonitors(const std::vector<MonitorPicture>& pictures,
                        const std::string& bitmapPath) override;

private:
    static std::vector<PictureSize> OutputSizes();

    ScreenSizedHandover screenSized{*this, &SwayBackend::OutputSizes};
};
