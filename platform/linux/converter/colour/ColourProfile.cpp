#include "platform/linux/converter/colour/ColourProfile.h"

#include "platform/linux/converter/colour/SrgbConverter.h"

bool ConvertToSrgb(RgbImage& image, std::string_view iccProfile) {
    if (iccProfile.empty()) {
        return true;
    }
    const SrgbConverter converter(iccProfile, SrgbConverter::Samples::Rgb8);
    if (!converter.HasProfile()) {
        return false;
    }
    for (int y = 0; y < image.height; ++y) {
        auto* row = image.pixels.data() + static_cast<std::size_t>(y) * image.width * 3;
        converter.ConvertRow(row, row, image.width);
    }
    return true;
}
