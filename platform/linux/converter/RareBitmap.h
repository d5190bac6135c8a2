#pragma once

#include <optional>
#include <string>

#include "platform/linux/converter/RgbImage.h"

// BMP layouts that neither DevIL nor Qt reads: 2-bit palette (Windows CE) and 24-bit RLE
// (OS/2 2.x). Nothing for any other layout or a damaged file.
std::optional<RgbImage> DecodeRareBitmap(const std::string& content);
