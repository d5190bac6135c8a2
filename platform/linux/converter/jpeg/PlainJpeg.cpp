#include "platform/linux/converter/jpeg/PlainJpeg.h"

#include "platform/linux/converter/colour/ColourProfile.h"
#include "platform/linux/converter/jpeg/UprightJpeg.h"

std::optional<RgbImage> DecodePlainJpeg(std::string_view content, std::string_view iccProfile) {
    std::optional<RgbImage> pixels = DecodeUprightJpeg(content);
    if (pixels) {
        ConvertToSrgb(*pixels, iccProfile);
    }
    return pixels;
}
