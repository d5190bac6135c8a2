#pragma once

#include <string>
#include <string_view>

#include "platform/linux/converter/ImageFormat.h"
#include "platform/linux/converter/RgbImage.h"

// One image of the DevIL library, bound as its current image from construction to destruction
// (ilGenImages + ilBindImage ... ilDeleteImages), so that every path deletes it. DevIL's current
// image is process-wide state: one DevilImage at a time, on one thread.
class DevilImage final {
public:
    DevilImage();
    ~DevilImage();
    DevilImage(const DevilImage&) = delete;
    DevilImage& operator=(const DevilImage&) = delete;

    // Loads a file's bytes with the reader of the format the content announces (SniffImageFormat),
    // never by the name's extension: a file named ".jpg" without a JPEG signature would make
    // DevIL's JPEG reader spin at its end.
    bool Load(std::string_view content, ImageFormat format);
    // Loads a TGA file's bytes already in memory.
    bool LoadTarga(const std::string& content);
    // Colour channels of the loaded image as decoded (1 grey, 3 colour, 4 with alpha).
    int Channels();
    // Saves as a BMP file, whatever the path's extension. 8-bit RGB(A) pixels are put into the
    // BMP's order in place first (the image is meant to be dropped after saving).
    bool SaveBitmap(const std::string& path);
    // The loaded image as 8-bit sRGB, top row first, through the ICC profile the file embeds
    // (none: the values as they are). Converts the image in place; pictures of more than 8 bits
    // a channel become 16-bit ones, which the profile takes before the one rounding to 8 bits.
    RgbImage ToRgb(std::string_view iccProfile = {});

private:
    unsigned int id = 0;
};
