#pragma once

#include <optional>
#include <string_view>

#include "platform/linux/converter/RgbImage.h"

// libjpeg straight into our picture, upright and in sRGB through `iccProfile`: plain JPEG files,
// most photos. Nothing for CMYK and YCCK files, or any that libjpeg fails on or that is too large
// to hold: those go on to other decoders. Throws std::bad_alloc as DecodeUprightJpeg does.
std::optional<RgbImage> DecodePlainJpeg(std::string_view content, std::string_view iccProfile);
