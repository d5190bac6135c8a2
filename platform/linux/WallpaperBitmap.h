#pragma once

#include <string>

// SetWallpaper's conversion step (without the desktop step): loads the image with DevIL and
// writes it as a BMP file at bitmapPath (native UTF-8 paths). Throws CoreError
// "Can't load image" or "Can't save image". The bitmap is written to a temporary file in the
// same folder and renamed over the old one only when complete, so a failure never damages the
// bitmap the desktop shows.
void WriteWallpaperBitmap(const std::string& imagePath, const std::string& bitmapPath);
