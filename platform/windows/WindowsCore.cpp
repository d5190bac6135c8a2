#include "platform/windows/WindowsCore.h"

#include <boost/filesystem.hpp>

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
    for (DirectoryIterator entry(fs::path(ToWin32String(folder))), end; entry != end; ++entry) {
        if (fs::is_directory(entry->status())) {
            continue;
        }
        WideString file = NativeForm(entry->path());
        if (core.IsSupportedImage(file)) {
            list.push_back({folder, std::move(file)});
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
    // Plain concatenation: a folder ending in a separator gets a second one, which Windows takes.
    const WideString bitmapPath = settingsFolder + u"\\wallpaper.bmp";
    ConvertToBitmap(imagePath, bitmapPath);
    InstallDesktopWallpaper(bitmapPath);
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
