#include "platform/CoreInterface.h"

#include <utility>

CoreInterface& GetCore() {
    static const std::unique_ptr<CoreInterface> core = CreateCore();
    return *core;
}

void CoreInterface::StartSetWallpaper(const WideString& imagePath,
                                      std::function<void(std::exception_ptr)> done) {
    std::exception_ptr error;
    try {
        SetWallpaper(imagePath);
    } catch (...) {
        error = std::current_exception();
    }
    done(error);
}

std::size_t CoreInterface::CountMonitors() {
    return 1;
}

void CoreInterface::StartSetWallpapers(const std::vector<WideString>& imagePaths,
                                       std::function<void(std::exception_ptr)> done) {
    StartSetWallpaper(imagePaths.front(), std::move(done));
}

void CoreInterface::StartFindImages(const WideString& folder, bool withSubfolders,
                                    std::function<void(WallpaperList, std::exception_ptr)> done) {
    WallpaperList found;
    std::exception_ptr error;
    try {
        FindImages(folder, found, withSubfolders);
    } catch (...) {
        error = std::current_exception();
    }
    done(std::move(found), error);
}

void CoreInterface::RedrawWallpaper(const std::vector<WideString>& /*currentImages*/) {}

bool CoreInterface::ReleaseWork() {
    return true;
}
