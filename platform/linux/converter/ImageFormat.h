#pragma once

#include <string_view>

// The formats of the program's extensions.
enum class ImageFormat { Png, Jpeg, Tiff, Bitmap, Targa, Heif, Avif, Webp, JpegXl };

// The format a file's first bytes announce, whatever its name says. TGA has no signature: a file
// with none of the others counts as TGA.
ImageFormat SniffImageFormat(std::string_view start);
