#include "platform/linux/ImageDecoder.h"

#include "platform/linux/DevilImage.h"

std::optional<RgbImage> DecodeImage(const std::string& path) {
    DevilImage image;
    if (!image.Load(path)) {
        return std::nullopt;
    }
    RgbImage pixels = image.ToRgb();
    if (pixels.pixels.empty()) {
        return std::nullopt;
    }
    return pixels;
}
