#pragma once

#include <string>

#include "platform/linux/converter/RgbImage.h"

// "wallpaper-screen.bmp" beside "wallpaper.bmp": the picture at the size a desktop shows it, for
// desktops that read a file. Replaced and removed as the bitmap is, never left half written.
class ScreenPictureFile final {
public:
    static constexpr char kName[] = "wallpaper-screen.bmp";

    // The absolute path of the screen's picture beside `bitmapPath`.
    static std::string PathBeside(const std::string& bitmapPath);
    // Puts `picture` in place in one step and returns its path. Throws CoreError "Can't change
    // desktop wallpaper" when it cannot be written; the file before is then unchanged.
    static std::string Replace(const RgbImage& picture, const std::string& bitmapPath);
    // Once the desktop shows `shownPath`: the screen's picture beside it goes unless that is
    // what it shows. A file that is not there is no failure.
    static void RemoveUnlessShown(const std::string& shownPath);
};
