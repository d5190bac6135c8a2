#include "platform/linux/desktops/gsettings/MateBackend.h"

#include "platform/linux/desktops/X11DesktopMonitors.h"

std::vector<DesktopMonitor> MateBackend::Monitors() {
    return X11DesktopMonitors::InX11Session();
}

void MateBackend::ShowFile(const std::string& path, GSettingsPictureWriter::Placement placement) {
    GSettingsPictureWriter("org.mate.background", {"picture-filename"},
                           GSettingsPictureWriter::Form::PlainPath,
                           GSettingsPictureWriter::Reload::EmptyFirst)
        .Show(path, placement);
}
