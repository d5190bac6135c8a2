#pragma once

#include <cstddef>
#include <string>
#include <string_view>

// The formats of the program's eight extensions.
enum class ImageFormat { Png, Jpeg, Tiff, Bitmap, Targa };

// The format a file's first bytes announce, whatever its name says. TGA has no signature: a file
// with none of the others counts as TGA.
ImageFormat SniffImageFormat(std::string_view start);

// The first `count` bytes of a file, fewer when it is shorter; nothing when it cannot be read.
std::string ReadFileStart(const std::string& path, std::size_t count);
