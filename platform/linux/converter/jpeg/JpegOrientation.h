#pragma once

#include <string_view>

// The EXIF orientation (1 to 8) of a JPEG file, from the first APP1 segment that holds an EXIF
// block; 1 (upright) where there is none or it cannot be read. Read from the header only.
int ReadJpegOrientation(std::string_view file);
