#include "platform/linux/LinuxCore.h"

#include <QCoreApplication>

#include <boost/filesystem/operations.hpp>

#include <utility>

#include "model/CoreError.h"
#include "platform/FileReplacement.h"
#include "platform/ImageExtensions.h"
#include "platform/NativeDesktop.h"
#include "platform/linux/DirectoryWalk.h"
#include "platform/linux/NativePath.h"
#include "platform/linux/change/BackgroundChange.h"
#include "platform/linux/change/ConverterRun.h"
#include "platform/linux/desktops/DesktopBackendChooser.h"

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
    PictureDrawer* drawer = backend ? backend->Drawer() : nullptr;
    const std::optional<PictureSize> size = drawer ? drawer->Size() : std::nullopt;
    if (size) {
        DrawWhileWriting(*drawer, *size, ToNativeBytes(imagePath), bitmapPath);
        return;
    }
    RunConverter(ToNativeBytes(imagePath), bitmapPath);
    if (!backend) {
        FailToShowWallpaper();
    }
    backend->ShowWallpaper(bitmapPath);
}

// The picture is on the screen as soon as it is scaled, while the large bitmap is still being
// written; should the bitmap fail, the screen goes back to the picture of before.
void LinuxCore::DrawWhileWriting(PictureDrawer& drawer, PictureSize size,
                                 const std::string& imagePath, const std::string& bitmapPath) {
    bool shown = false;
    std::exception_ptr drawFailure;
    const auto draw = [&](const RgbImage& picture) {
        try {
            drawer.Show(picture);
            shown = true;
        } catch (...) {
            drawFailure = std::current_exception();
        }
    };
    try {
        RunConverter(imagePath, bitmapPath, DrawnPictureRequest{size, draw});
    } catch (...) {
        if (shown) {
            drawer.TakeBack();
        }
        throw;
    }
    if (drawFailure) {
        std::rethrow_exception(drawFailure);
    }
    drawer.Keep(bitmapPath);
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
    // A change cut short by the program's death leaves a full-size temporary bitmap behind.
    RemoveInterruptedReplacements(ToNativeBytes(folder + kNativeSeparator + u"wallpaper.bmp"));
}

std::vector<WideString> LinuxCore::GetSupportedExtensions() const {
    return extensions;
}

std::unique_ptr<CoreInterface> CreateCore() {
    return std::make_unique<LinuxCore>(SessionEnvironment::FromProcess());
}
