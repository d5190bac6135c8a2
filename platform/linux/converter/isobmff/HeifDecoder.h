#pragma once

#include <optional>
#include <string_view>

#include "platform/linux/converter/RgbImage.h"

// The primary picture of a HEIF (HEIC) file, turned and mirrored as the file asks, in sRGB; or
// nothing when libheif fails on it or it is larger than the converter's limits.
std::optional<RgbImage> DecodeHeif(std::string_view content);
