#include "platform/windows/DesktopWallpaper.h"

#include <windows.h>

#include "model/CoreError.h"
#include "platform/windows/RegistryKey.h"

namespace {

constexpr char kError[] = "Can't change desktop wallpaper";

void WriteDesktopValues(const WideString& bitmapPath) {
    auto key = RegistryKey::Open(HKEY_CURRENT_USER, u"Control Panel\\Desktop", KEY_SET_VALUE);
    if (!key) {
        throw CoreError(kError);
    }
    key->SetString(u"Wallpaper", bitmapPath);
    key->SetString(u"WallpaperStyle", u"4");
}

}  // namespace

void InstallDesktopWallpaper(const WideString& bitmapPath) {
    WriteDesktopValues(bitmapPath);
    // No path here: the system reads the new bitmap from the "Wallpaper" value.
    if (!SystemParametersInfoA(SPI_SETDESKWALLPAPER, 0, nullptr,
                               SPIF_UPDATEINIFILE | SPIF_SENDWININICHANGE)) {
        throw CoreError(kError);
    }
}
