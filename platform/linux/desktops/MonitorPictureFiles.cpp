#include "platform/linux/desktops/MonitorPictureFiles.h"

#include <boost/filesystem/exception.hpp>
#include <boost/filesystem/operations.hpp>
#include <boost/filesystem/path.hpp>

#include <memory>

#include "platform/FileReplacement.h"
#include "platform/linux/converter/BitmapFile.h"

namespace fs = boost::filesystem;

namespace {

constexpr char kPrefix[] = "wallpaper-monitor-";

fs::path FolderOf(const std::string& bitmapPath) {
    return fs::absolute(fs::path(bitmapPath)).parent_path();
}

}  // namespace

std::vector<std::string> MonitorPictureFiles::Replace(const std::vector<MonitorPicture>& pictures,
                                                      const std::string& bitmapPath) {
    std::vector<std::unique_ptr<FileReplacement>> replacements;
    std::vector<std::string> paths;
    try {
        for (std::size_t index = 0; index < pictures.size(); ++index) {
            paths.push_back(
                (FolderOf(bitmapPath) / (kPrefix + std::to_string(index + 1) + ".bmp")).string());
            replacements.push_back(std::make_unique<FileReplacement>(paths.back()));
            if (!WriteBitmapFile(pictures[index].picture,
                                 replacements.back()->TemporaryPath().string())) {
                FailToShowWallpaper();
            }
        }
        for (const std::unique_ptr<FileReplacement>& replacement : replacements) {
            replacement->Commit();
        }
    } catch (const fs::filesystem_error&) {
        FailToShowWallpaper();
    }
    return paths;
}

void MonitorPictureFiles::RemoveBeside(const std::string& bitmapPath) {
    boost::system::error_code ignored;
    for (fs::directory_iterator entry(FolderOf(bitmapPath), ignored), end; entry != end;
         entry.increment(ignored)) {
        if (entry->path().filename().string().starts_with(kPrefix)) {
            fs::remove(entry->path(), ignored);
        }
    }
}
