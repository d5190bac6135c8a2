#include "platform/linux/GnomeBackend.h"

#include "platform/linux/GSettingsPictureWriter.h"

void GnomeBackend::ShowWallpaper(const std::string& bitmapPath) {
    // GNOME 42 and later show picture-uri-dark in dark style; older ones lack the key.
    GSettingsPictureWriter("org.gnome.desktop.background", {"picture-uri", "picture-uri-dark"},
                           GSettingsPictureWriter::Form::FileUri)
        .Show(bitmapPath);
}
