#include "platform/linux/converter/colour/ColourProfile.h"

#include <lcms2.h>

#include <memory>

namespace {

struct ProfileCloser {
    void operator()(void* profile) const { cmsCloseProfile(profile); }
};
struct TransformDeleter {
    void operator()(void* transform) const { cmsDeleteTransform(transform); }
};
using Profile = std::unique_ptr<void, ProfileCloser>;
using Transform = std::unique_ptr<void, TransformDeleter>;

Transform TransformToSrgb(std::string_view iccProfile) {
    const Profile source(
        cmsOpenProfileFromMem(iccProfile.data(), static_cast<cmsUInt32Number>(iccProfile.size())));
    if (!source || cmsGetColorSpace(source.get()) != cmsSigRgbData) {
        return nullptr;
    }
    const Profile srgb(cmsCreate_sRGBProfile());
    if (!srgb) {
        return nullptr;
    }
    // Perceptual: photos from wide-gamut cameras and phones keep their gradations where sRGB
    // cannot hold the colour.
    return Transform(
        cmsCreateTransform(source.get(), TYPE_RGB_8, srgb.get(), TYPE_RGB_8, INTENT_PERCEPTUAL, 0));
}

}  // namespace

bool ConvertToSrgb(RgbImage& image, std::string_view iccProfile) {
    if (iccProfile.empty()) {
        return true;
    }
    const Transform transform = TransformToSrgb(iccProfile);
    if (!transform) {
        return false;
    }
    for (int y = 0; y < image.height; ++y) {
        auto* row = image.pixels.data() + static_cast<std::size_t>(y) * image.width * 3;
        cmsDoTransform(transform.get(), row, row, static_cast<cmsUInt32Number>(image.width));
    }
    return true;
}
