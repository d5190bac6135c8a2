#include "platform/windows/WindowsCore.h"

#include <boost/filesystem.hpp>

#include <chrono>
#include <memory>
#include <utility>

#include "model/CoreError.h"
#include "platform/ImageExtensions.h"
#include "platform/NativeDesktop.h"
#include "platform/windows/BitmapConversion.h"
#include "platform/windows/DesktopWallpaper.h"
#include "platform/windows/Win32String.h"

namespace fs = boost::filesystem;

namespace {

WideString NativeForm(fs::path path) {
    return FromWin32(path.make_preferred().wstring());
}

// Folders are never candidates; a folder reached through a link is not entered, so a cycle of
// links cannot make the walk endless.
template <typename DirectoryIterator>
void AppendImages(CoreInterface& core, const WideString& folder, WallpaperList& list) {
    const auto source = std::make_shared<const WideString>(folder);
    for (DirectoryIterator entry(fs::path(ToWin32String(folder))), end; entry != end; ++entry) {
        if (fs::is_directory(entry->status())) {
            continue;
        }
        const WideString file = NativeForm(entry->path());
        if (core.IsSupportedImage(file)) {
            list.emplace_back(source, file);
        }
    }
}

}  // namespace

WindowsCore::WindowsCore()
    : settingsFolder(NativeForm(fs::current_path())), extensions(SupportedExtensions()) {}

void WindowsCore::FindImages(const WideString& folder, WallpaperList& list, bool withSubfolders) {
    if (!fs::exists(fs::path(ToWin32String(folder)))) {
        throw CoreError("Specified path does not exist: ");
    }
    if (withSubfolders) {
        AppendImages<fs::recursive_directory_iterator>(*this, folder, list);
    } else {
        AppendImages<fs::directory_iterator>(*this, folder, list);
    }
}

void WindowsCore::SetWallpaper(const WideString& imagePath) {
    ShowAsWallpaper(imagePath, settingsFolder);
}

void WindowsCore::ShowAsWallpaper(const WideString& imagePath, const WideString& folder) {
    // Plain concatenation: a folder ending in a separator gets a second one, which Windows takes.
    const WideString bitmapPath = folder + u"\\wallpaper.bmp";
    ConvertToBitmap(imagePath, bitmapPath);
    InstallDesktopWallpaper(bitmapPath);
}

// The settings folder is read here: the user may choose another one while the change runs.
void WindowsCore::StartSetWallpaper(const WideString& imagePath,
                                    std::function<void(std::exception_ptr)> done) {
    changes.Start([imagePath, folder = settingsFolder] { ShowAsWallpaper(imagePath, folder); },
                  std::move(done));
}

void WindowsCore::StartFindImages(const WideString& folder, bool withSubfolders,
                                  std::function<void(WallpaperList, std::exception_ptr)> done) {
    listings.Start(folder, withSubfolders, std::move(done));
}

// The conversion runs inside this process and cannot be stopped; the process ends around it.
bool WindowsCore::ReleaseWork() {
    const bool changeEnded = changes.Release(std::chrono::milliseconds(0));
    const bool listingEnded = listings.Release();
    return changeEnded && listingEnded;
}

WideString WindowsCore::Reserved() {
    return {};
}

bool WindowsCore::IsSupportedImage(const WideString& path) {
    return HasSupportedExtension(path, extensions);
}

WideString WindowsCore::GetSettingsFolder() const {
    return settingsFolder;
}

void WindowsCore::SetSettingsFolder(const WideString& folder) {
    settingsFolder = folder;
    CreateFolder(settingsFolder);
}

std::vector<WideString> WindowsCore::GetSupportedExtensions() const {
    return extensions;
}

std::unique_ptr<CoreInterface> CreateCore() {
    return std::make_unique<WindowsCore>();
}
