#pragma once

#include <string>

#include "platform/linux/converter/RgbImage.h"

// Writes the pixels as an uncompressed 24-bit BMP file (the layout every desktop and image
// library reads) and flushes it to the disk. False when any write failed.
bool WriteBitmapFile(const RgbImage& image, const std::string& path);
// The same into an empty file open for writing, which stays open.
bool WriteBitmapFile(const RgbImage& image, int file);
