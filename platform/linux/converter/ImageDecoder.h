#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "platform/linux/converter/RgbImage.h"

// Reads the bytes of an image file of one of the supported formats into upright 8-bit RGB
// pixels, or nothing when they cannot be read; the extension of its name hints at the format.
// Meant to run only inside the converter process: a damaged file may make the decoders crash or
// ask for gigabytes.
std::optional<RgbImage> DecodeImage(std::string_view content, const std::string& name);
