#include "platform/linux/LinuxCore.h"

#include <boost/filesystem/operations.hpp>

#include <utility>

#include "model/CoreError.h"
#include "platform/ImageExtensions.h"
#include "platform/NativeDesktop.h"
#include "platform/linux/DesktopBackendChooser.h"
#include "platform/linux/DirectoryWalk.h"
#include "platform/linux/NativePath.h"
#include "platform/linux/WallpaperBitmap.h"

namespace fs = boost::filesystem;

LinuxCore::LinuxCore(SessionEnvironment session)
    : session(std::move(session)),
      settingsFolder(FromNativePath(fs::current_path())),
      extensions(SupportedExtensions()) {}

void LinuxCore::FindImages(const WideString& folder, WallpaperList& list, bool withSubfolders) {
    const fs::path root = ToNativePath(folder);
    if (!fs::exists(root)) {
        throw CoreError("Specified path does not exist: ");
    }
    // Pre-order in listing order; links to folders are not entered (DirectoryWalk.h).
    WalkDirectory(root.string(), withSubfolders, [&](const std::string& candidate) {
        WideString file = FromUtf8(candidate);
        if (IsSupportedImage(file)) {
            list.push_back(WallpaperEntry{folder, std::move(file)});
        }
    });
}

void LinuxCore::SetWallpaper(const WideString& imagePath) {
    const WideString bitmap = settingsFolder + kNativeSeparator + u"wallpaper.bmp";
    const std::string bitmapPath = ToUtf8(bitmap);
    WriteWallpaperBitmap(ToUtf8(imagePath), bitmapPath);
    DesktopBackendChooser::Choose(session)->ShowWallpaper(bitmapPath);
}

WideString LinuxCore::Reserved() {
    return {};
}

bool LinuxCore::IsSupportedImage(const WideString& path) {
    return HasSupportedExtension(path, extensions);
}

WideString LinuxCore::GetSettingsFolder() const {
    return settingsFolder;
}

void LinuxCore::SetSettingsFolder(const WideString& folder) {
    settingsFolder = folder;
    CreateFolder(folder);
}

std::vector<WideString> LinuxCore::GetSupportedExtensions() const {
    return extensions;
}

std::unique_ptr<CoreInterface> CreateCore() {
    return std::make_unique<LinuxCore>(SessionEnvironment::FromProcess());
}
