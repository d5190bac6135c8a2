#include "platform/linux/desktops/gsettings/MateBackend.h"

#include "platform/linux/desktops/ScreenPictureFile.h"
#include "platform/linux/desktops/gsettings/GSettingsPictureWriter.h"

void MateBackend::ShowWallpaper(const std::string& bitmapPath) {
    GSettingsPictureWriter("org.mate.background", {"picture-filename"},
                           GSettingsPictureWriter::Form::PlainPath,
                           GSettingsPictureWriter::Reload::EmptyFirst)
        .Show(bitmapPath);
    ScreenPictureFile::RemoveUnlessShown(bitmapPath);
}
