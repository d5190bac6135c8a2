#pragma once

#include <string_view>

// The orientation tag (1 to 8, as EXIF numbers them) of an EXIF block that starts with its TIFF
// header, optionally after the "Exif\0\0" of a JPEG segment; 1 (upright) where the block has no
// such tag or cannot be read.
int ExifOrientation(std::string_view exif);
