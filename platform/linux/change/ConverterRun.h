#pragma once

#include <functional>
#include <optional>
#include <string>

#include "platform/linux/change/ImageConverterProcess.h"
#include "platform/linux/converter/RgbImage.h"

// Asks the converter for the picture scaled to fill `size` (aspect kept, overflow cropped), from
// the same decoding; `ready` gets it as soon as it is made, while the bitmap is still being
// written. It must not throw.
struct DrawnPictureRequest {
    ScreenLayout layout;
    std::function<void(const RgbImage& picture)> ready;
};

// SetWallpaper's conversion step (without the desktop step), native UTF-8 paths: opens the image
// and a temporary file for the bitmap and hands them to the converter process, which decodes the
// image and writes it as a BMP file there, locked down, under a memory and a time limit. Throws
// CoreError "Can't load image" or "Can't save image", also when the converter crashes or runs out
// of its limits. The converter writes a FileReplacement of the bitmap, which is put in place only
// once complete, so a failure never damages the bitmap the desktop shows.
void RunConverter(const std::string& imagePath, const std::string& bitmapPath,
                  const std::optional<DrawnPictureRequest>& drawn = std::nullopt,
                  const ImageConverterProcess& converter = ImageConverterProcess());

// RunConverter without a bitmap: only the picture filled to `layout`, once the image has decoded
// in full (one that would fail to convert fails here too). Throws CoreError "Can't load image" or
// "Can't save image" as RunConverter does.
RgbImage ConvertToPicture(const std::string& imagePath, const ScreenLayout& layout,
                          const ImageConverterProcess& converter = ImageConverterProcess());
