#include "platform/linux/desktops/gsettings/GnomeBackend.h"

#include "platform/linux/desktops/SessionEnvironment.h"
#include "platform/linux/desktops/X11DesktopMonitors.h"
#include "platform/linux/desktops/gsettings/NumberedPictureLink.h"

std::vector<DesktopMonitor> GnomeBackend::Monitors() {
    return SessionEnvironment::FromProcess().IsX11Session() ? X11DesktopMonitors::Query()
                                                            : MutterMonitorLayout::Monitors();
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
}
