#include "platform/linux/desktops/gsettings/MateBackend.h"

#include "platform/linux/desktops/MonitorComposition.h"
#include "platform/linux/desktops/ScreenPictureFile.h"
#include "platform/linux/desktops/X11DesktopMonitors.h"

void MateBackend::ShowWallpaper(const std::string& bitmapPath) {
    ShowFile(bitmapPath, GSettingsPictureWriter::Placement::FillEachMonitor);
}

std::vector<DesktopMonitor> MateBackend::Monitors() {
    return X11DesktopMonitors::InX11Session();
}

void MateBackend::ShowOnMonitors(const std::vector<MonitorPicture>& pictures,
                                 const std::string& bitmapPath) {
    ShowFile(ScreenPictureFile::Replace(MonitorComposition::Spanning(pictures), bitmapPath),
             GSettingsPictureWriter::Placement::SpanMonitors);
}

void MateBackend::ShowFile(const std::string& path, GSettingsPictureWriter::Placement placement) {
    GSettingsPictureWriter("org.mate.background", {"picture-filename"},
                           GSettingsPictureWriter::Form::PlainPath,
                           GSettingsPictureWriter::Reload::EmptyFirst)
        .Show(path, placement);
    ScreenPictureFile::RemoveUnlessShown(path);
}
