#pragma once

#include <optional>
#include <string>

#include "platform/linux/ImageConverterProcess.h"
#include "platform/linux/RgbImage.h"

// SetWallpaper's conversion step (without the desktop step), native UTF-8 paths: the converter
// process decodes the image and writes it as a BMP file at bitmapPath, under a memory and a time
// limit. Throws CoreError "Can't load image" or "Can't save image", also when the converter
// crashes or runs out of its limits. The bitmap is written to a temporary file in the same
// folder, flushed, and renamed over the old one only when complete, so a failure never damages
// the bitmap the desktop shows. With drawnSize, returns the picture scaled to fill that size,
// made from the same decoding.
RgbImage WriteWallpaperBitmap(const std::string& imagePath, const std::string& bitmapPath,
                              std::optional<PictureSize> drawnSize = std::nullopt,
                              const ImageConverterProcess& converter = ImageConverterProcess());
