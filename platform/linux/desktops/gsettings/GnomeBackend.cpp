#include "platform/linux/desktops/gsettings/GnomeBackend.h"

#include "platform/linux/desktops/ScreenPictureFile.h"
#include "platform/linux/desktops/gsettings/GSettingsPictureWriter.h"
#include "platform/linux/desktops/gsettings/NumberedPictureLink.h"

// GNOME Shell flashes its default background for an emptied value, and takes the same path again
// only through its watch on the file, which ends for good once the folder is removed. A name it
// has not shown is loaded every time.
void GnomeBackend::ShowWallpaper(const std::string& bitmapPath) {
    NumberedPictureLink picture(bitmapPath);
    // GNOME 42 and later show picture-uri-dark in dark style; older ones lack the key.
    GSettingsPictureWriter("org.gnome.desktop.background", {"picture-uri", "picture-uri-dark"},
                           GSettingsPictureWriter::Form::FileUri,
                           GSettingsPictureWriter::Reload::NewPath)
        .Show(picture.Path());
    picture.Keep();
    ScreenPictureFile::RemoveUnlessShown(bitmapPath);
}
