#include "platform/linux/desktops/gsettings/GnomeBackend.h"

#include "platform/linux/desktops/MonitorComposition.h"
#include "platform/linux/desktops/ScreenPictureFile.h"
#include "platform/linux/desktops/SessionEnvironment.h"
#include "platform/linux/desktops/X11DesktopMonitors.h"
#include "platform/linux/desktops/gsettings/NumberedPictureLink.h"

void GnomeBackend::ShowWallpaper(const std::string& bitmapPath) {
    ShowFile(bitmapPath, GSettingsPictureWriter::Placement::FillEachMonitor);
}

std::vector<DesktopMonitor> GnomeBackend::Monitors() {
    return SessionEnvironment::FromProcess().IsX11Session() ? X11DesktopMonitors::Query()
                                                            : MutterMonitorLayout::Monitors();
}

void GnomeBackend::ShowOnMonitors(const std::vector<MonitorPicture>& pictures,
                                  const std::string& bitmapPath) {
    ShowFile(ScreenPictureFile::Replace(MonitorComposition::Spanning(pictures), bitmapPath),
             GSettingsPictureWriter::Placement::SpanMonitors);
}

// GNOME Shell flashes its default background for an emptied value, and takes the same path again
// only through its watch on the file, which ends for good once the folder is removed. A name it
// has not shown is loaded every time.
void GnomeBackend::ShowFile(const std::string& path, GSettingsPictureWriter::Placement placement) {
    NumberedPictureLink picture(path);
    // GNOME 42 and later show picture-uri-dark in dark style; older ones lack the key.
    GSettingsPictureWriter("org.gnome.desktop.background", {"picture-uri", "picture-uri-dark"},
                           GSettingsPictureWriter::Form::FileUri,
                           GSettingsPictureWriter::Reload::NewPath)
        .Show(picture.Path(), placement);
    picture.Keep();
    ScreenPictureFile::RemoveUnlessShown(path);
}
