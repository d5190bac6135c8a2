#pragma once

#include <optional>
#include <string_view>

#include "platform/linux/converter/RgbImage.h"

// Whether a TGA file has colour-mapped pixels (types 1 and 9), or a colour map that its
// true-colour pixels (types 2 and 10) leave unused. DevIL and Qt read both wrong (they ignore
// the map's first entry index, or take the map for pixels).
bool HasTargaColourMap(std::string_view content);

// The pixels of such a file, any origin, indexes of 8 or 16 bits, map entries and true colours
// of 15, 16, 24 or 32 bits; nothing for another layout, colour-mapped pixels without a map, or
// data that ends before the picture.
std::optional<RgbImage> DecodeTargaWithColourMap(std::string_view content);
