#include "platform/linux/desktops/gsettings/CinnamonBackend.h"

#include "platform/linux/desktops/ScreenPictureFile.h"
#include "platform/linux/desktops/gsettings/GSettingsPictureWriter.h"

void CinnamonBackend::ShowWallpaper(const std::string& bitmapPath) {
    GSettingsPictureWriter("org.cinnamon.desktop.background", {"picture-uri"},
                           GSettingsPictureWriter::Form::FileUri,
                           GSettingsPictureWriter::Reload::EmptyFirst)
        .Show(bitmapPath);
    ScreenPictureFile::RemoveUnlessShown(bitmapPath);
}
