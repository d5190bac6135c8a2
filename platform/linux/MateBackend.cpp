#include "platform/linux/MateBackend.h"

#include "platform/linux/GSettingsPictureWriter.h"

void MateBackend::ShowWallpaper(const std::string& bitmapPath) {
    GSettingsPictureWriter("org.mate.background", {"picture-filename"},
                           GSettingsPictureWriter::Form::PlainPath,
                           GSettingsPictureWriter::Reload::EmptyFirst)
        .Show(bitmapPath);
}
