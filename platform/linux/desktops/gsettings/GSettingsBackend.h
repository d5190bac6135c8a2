#pragma once

#include <string>
#include <vector>

#include "platform/linux/desktops/DesktopBackend.h"
#include "platform/linux/desktops/gsettings/GSettingsPictureWriter.h"

// What GNOME, Cinnamon and MATE share: one picture file in their background settings, filled
// to each monitor, or made of the monitors' own pictures and spread over all of them.
class GSettingsBackend : public DesktopBackend {
public:
    void ShowWallpaper(const std::string& bitmapPath) final;
    // One picture spread over all the monitors, beside the bitmap.
    void ShowOnMonitors(const std::vector<MonitorPicture>& pictures,
                        const std::string& bitmapPath) final;

protected:
    // Hands `path` to the desktop's settings with `placement`.
    virtual void ShowFile(const std::string& path, GSettingsPictureWriter::Placement placement) = 0;

private:
    void Show(const std::string& path, GSettingsPictureWriter::Placement placement);
};
