#pragma once

#include "model/WideString.h"

// Makes the bitmap the current user's desktop wallpaper ("WallpaperStyle" 4). Throws
// CoreError "Can't change desktop wallpaper" when the desktop settings cannot be opened or the
// system refuses the change (the registry values then stay written).
void InstallDesktopWallpaper(const WideString& bitmapPath);
