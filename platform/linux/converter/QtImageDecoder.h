#pragma once

#include <QImageIOHandler>

#include <optional>
#include <string_view>

#include "platform/linux/converter/RgbImage.h"

// The second decoder of the converter: Qt's image readers, for what DevIL rejects or gets wrong.

// Decodes a JPEG, PNG, TIFF, TGA or BMP file's bytes (told by its content), turned upright by its
// EXIF orientation and brought into sRGB through the ICC profile the file embeds (none: the
// values as decoded); nothing for any other format or a damaged file.
std::optional<RgbImage> DecodeWithQt(std::string_view content, std::string_view iccProfile = {});

// How the file's EXIF orientation says to turn its pixels; read from the header only.
QImageIOHandler::Transformations ReadOrientation(std::string_view content);

// The image mirrored, flipped and turned as the transformations say, in Qt's order.
RgbImage Transformed(RgbImage image, QImageIOHandler::Transformations transformations);
