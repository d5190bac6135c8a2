#include "platform/linux/LinuxCore.h"

#include <QCoreApplication>

#include <boost/filesystem/operations.hpp>

#include <utility>

#include "model/CoreError.h"
#include "platform/ImageExtensions.h"
#include "platform/NativeDesktop.h"
#include "platform/linux/BackgroundChange.h"
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
        WideString file = FromNativeBytes(candidate);
        if (IsSupportedImage(file)) {
            list.push_back(WallpaperEntry{folder, std::move(file)});
        }
    });
}

void LinuxCore::SetWallpaper(const WideString& imagePath) {
    const std::string bitmapPath =
        ToNativeBytes(settingsFolder + kNativeSeparator + u"wallpaper.bmp");
    // Chosen first, for the size of a picture it draws itself; a session without any desktop
    // still reports the conversion's errors first.
    const std::unique_ptr<DesktopBackend> backend =
        DesktopBackendChooser::NameFor(session) ? DesktopBackendChooser::Choose(session) : nullptr;
    const std::optional<PictureSize> drawnSize =
        backend ? backend->DrawnPictureSize() : std::nullopt;
    const RgbImage drawn = WriteWallpaperBitmap(ToNativeBytes(imagePath), bitmapPath, drawnSize);
    if (!backend) {
        FailToShowWallpaper();
    }
    if (drawnSize) {
        backend->ShowDrawnPicture(bitmapPath, drawn);
    } else {
        backend->ShowWallpaper(bitmapPath);
    }
}

// Before the event loop exists (the change on start) the change runs to its end here.
void LinuxCore::StartSetWallpaper(const WideString& imagePath,
                                  std::function<void(std::exception_ptr)> done) {
    QCoreApplication* application = QCoreApplication::instance();
    if (application == nullptr) {
        CoreInterface::StartSetWallpaper(imagePath, std::move(done));
        return;
    }
    auto* background =
        application->findChild<BackgroundChange*>(QString(), Qt::FindDirectChildrenOnly);
    if (background == nullptr) {
        background = new BackgroundChange(application);
    }
    background->Start([this, imagePath] { SetWallpaper(imagePath); }, std::move(done));
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
