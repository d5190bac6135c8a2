#include "platform/linux/desktops/ScreenPictureFile.h"

#include <boost/filesystem/exception.hpp>
#include <boost/filesystem/operations.hpp>
#include <boost/filesystem/path.hpp>

#include "platform/FileReplacement.h"
#include "platform/linux/converter/BitmapFile.h"
#include "platform/linux/desktops/DesktopBackend.h"

namespace fs = boost::filesystem;

std::string ScreenPictureFile::PathBeside(const std::string& bitmapPath) {
    return (fs::absolute(fs::path(bitmapPath)).parent_path() / kName).string();
}

std::string ScreenPictureFile::Replace(const RgbImage& picture, const std::string& bitmapPath) {
    const std::string path = PathBeside(bitmapPath);
    try {
        FileReplacement replacement(path);
        if (!WriteBitmapFile(picture, replacement.TemporaryPath().string())) {
            FailToShowWallpaper();
        }
        replacement.Commit();
    } catch (const fs::filesystem_error&) {
        FailToShowWallpaper();
    }
    return path;
}

void ScreenPictureFile::RemoveUnlessShown(const std::string& shownPath) {
    if (fs::path(shownPath).filename() != kName) {
        boost::system::error_code ignored;
        fs::remove(PathBeside(shownPath), ignored);
    }
}
