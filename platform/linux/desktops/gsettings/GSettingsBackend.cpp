#include "platform/linux/desktops/gsettings/GSettingsBackend.h"

#include "platform/linux/desktops/MonitorComposition.h"
#include "platform/linux/desktops/ScreenPictureFile.h"

void GSettingsBackend::ShowWallpaper(const std::string& bitmapPath) {
    Show(bitmapPath, GSettingsPictureWriter::Placement::FillEachMonitor);
}

void GSettingsBackend::ShowOnMonitors(const std::vector<MonitorPicture>& pictures,
                                      const std::string& bitmapPath) {
    Show(ScreenPictureFile::Replace(MonitorComposition::Spanning(pictures), bitmapPath),
         GSettingsPictureWriter::Placement::SpanMonitors);
}

// The screen's picture goes once the desktop shows another file.
void GSettingsBackend::Show(const std::string& path, GSettingsPictureWriter::Placement placement) {
    ShowFile(path, placement);
    ScreenPictureFile::RemoveUnlessShown(path);
}
