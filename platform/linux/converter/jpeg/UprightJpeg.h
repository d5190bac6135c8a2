#pragma once

#include <optional>
#include <string_view>

#include "platform/linux/converter/RgbImage.h"

// A plain JPEG file (YCbCr, RGB or grey) decoded by libjpeg at `eighths` eighths of each side
// (8: full size), turned upright by its EXIF orientation. Nothing for CMYK and YCCK files, a
// picture too large for the converter's memory, or any file libjpeg fails on: other decoders may
// take those.
// Throws std::bad_alloc when the picture does not fit in memory after all.
// With `rows`, only the top rows of an upright or mirrored picture are decoded, the others left
// black (JpegDecompression::Decode); a picture turned otherwise is decoded whole.
std::optional<RgbImage> DecodeUprightJpeg(std::string_view content, unsigned int eighths = 8,
                                          std::optional<int> rows = std::nullopt);
