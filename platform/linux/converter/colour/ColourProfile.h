#pragma once

#include <string_view>

#include "platform/linux/converter/RgbImage.h"

// Brings pixels tagged with an embedded ICC profile into sRGB, which is what the screen and the
// desktops take. Untagged pixels (an empty profile) stay as they are, and so do those whose
// profile cannot be read or is not an RGB one: then the result is false.
bool ConvertToSrgb(RgbImage& image, std::string_view iccProfile);
