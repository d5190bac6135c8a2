#pragma once

#include <optional>
#include <string_view>

#include "platform/linux/converter/RgbImage.h"

// A WebP picture in sRGB as stored, and how EXIF says to turn it upright (1 to 8, 1 upright).
struct WebpPicture {
    RgbImage image;
    int exifOrientation = 1;
};

// A still WebP file's picture, or an animated one's first frame as it is shown. Transparency is
// dropped, keeping the colours underneath, as the other decoders do. Nothing for a damaged or
// truncated file, or one too large for the converter's memory.
std::optional<WebpPicture> DecodeWebp(std::string_view content);
