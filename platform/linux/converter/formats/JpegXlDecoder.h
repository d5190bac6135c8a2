#pragma once

#include <optional>
#include <string_view>

#include "platform/linux/converter/RgbImage.h"

// A JPEG XL file's first frame, upright and in sRGB, its extra channels (transparency among
// them) dropped; nothing for a damaged or truncated file, or one too large for the converter's
// memory.
std::optional<RgbImage> DecodeJpegXl(std::string_view content);
