#include "platform/linux/desktops/gsettings/CinnamonBackend.h"

#include "platform/linux/desktops/X11DesktopMonitors.h"

std::vector<DesktopMonitor> CinnamonBackend::Monitors() {
    return X11DesktopMonitors::InX11Session();
}

void CinnamonBackend::ShowFile(const std::string& path,
                               GSettingsPictureWriter::Placement placement) {
    GSettingsPictureWriter("org.cinnamon.desktop.background", {"picture-uri"},
                           GSettingsPictureWriter::Form::FileUri,
                           GSettingsPictureWriter::Reload::EmptyFirst)
        .Show(path, placement);
}
