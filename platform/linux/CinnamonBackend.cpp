#include "platform/linux/CinnamonBackend.h"

#include "platform/linux/GSettingsPictureWriter.h"

void CinnamonBackend::ShowWallpaper(const std::string& bitmapPath) {
    GSettingsPictureWriter("org.cinnamon.desktop.background", {"picture-uri"},
                           GSettingsPictureWriter::Form::FileUri,
                           GSettingsPictureWriter::Reload::EmptyFirst)
        .Show(bitmapPath);
}
