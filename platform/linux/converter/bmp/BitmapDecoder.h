#pragma once

#include <optional>
#include <string_view>

#include "platform/linux/converter/RgbImage.h"

// Every BMP layout of the Windows and OS/2 headers: 1 to 8-bit palettes, 16 and 32-bit pixels
// with any bit fields (BI_BITFIELDS, BI_ALPHABITFIELDS, the masks of the V2 to V5 headers),
// 24-bit pixels, and RLE with 4, 8 and 24 bits; a V5 header's embedded ICC profile brings the
// pixels into sRGB. DevIL and Qt each read some of these wrong;
// this reader alone decides what a BMP file shows. Nothing for another layout (JPEG or PNG
// inside a BMP, OS/2 Huffman) or a file whose pixels it does not define: data cut short, data
// past the picture, masks that overlap or leave their pixel.
std::optional<RgbImage> DecodeBitmap(std::string_view content);
