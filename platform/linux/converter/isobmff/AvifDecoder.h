#pragma once

#include <optional>
#include <string_view>

#include "platform/linux/converter/RgbImage.h"

// The picture of an AVIF file (the first frame of an animated one), turned and mirrored as the
// file asks, in sRGB; or nothing when libavif fails on it or it is larger than the converter's
// limits.
std::optional<RgbImage> DecodeAvif(std::string_view content);
