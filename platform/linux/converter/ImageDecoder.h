#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "platform/linux/converter/RgbImage.h"

// Reads an image file of one of the supported formats into upright 8-bit RGB pixels, or nothing
// when it cannot be read. Meant to run only inside the converter process: a damaged file may
// make the decoders crash or ask for gigabytes.
std::optional<RgbImage> DecodeImage(const std::string& path);
// The same for a file's bytes; the extension of its name hints at the format.
std::optional<RgbImage> DecodeImage(std::string_view content, const std::string& name);
