#include "platform/linux/desktops/gsettings/CinnamonBackend.h"

#include "platform/linux/desktops/MonitorComposition.h"
#include "platform/linux/desktops/ScreenPictureFile.h"
#include "platform/linux/desktops/X11DesktopMonitors.h"

void CinnamonBackend::ShowWallpaper(const std::string& bitmapPath) {
    ShowFile(bitmapPath, GSettingsPictureWriter::Placement::FillEachMonitor);
}

std::vector<DesktopMonitor> CinnamonBackend::Monitors() {
    return X11DesktopMonitors::InX11Session();
}

void CinnamonBackend::ShowOnMonitors(const std::vector<MonitorPicture>& pictures,
                                     const std::string& bitmapPath) {
    ShowFile(ScreenPictureFile::Replace(MonitorComposition::Spanning(pictures), bitmapPath),
             GSettingsPictureWriter::Placement::SpanMonitors);
}

void CinnamonBackend::ShowFile(const std::string& path,
                               GSettingsPictureWriter::Placement placement) {
    GSettingsPictureWriter("org.cinnamon.desktop.background", {"picture-uri"},
                           GSettingsPictureWriter::Form::FileUri,
                           GSettingsPictureWriter::Reload::EmptyFirst)
        .Show(path, placement);
    ScreenPictureFile::RemoveUnlessShown(path);
}
