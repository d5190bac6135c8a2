#include "platform/linux/converter/colour/SrgbConverter.h"

#include <lcms2.h>

#include <cstring>

namespace {

struct ProfileCloser {
    void operator()(void* profile) const { cmsCloseProfile(profile); }
};
using Profile = std::unique_ptr<void, ProfileCloser>;

cmsUInt32Number InputType(SrgbConverter::Samples samples) {
    switch (samples) {
        case SrgbConverter::Samples::Rgb16:
            return TYPE_RGB_16;
        case SrgbConverter::Samples::Rgbx16:
            return TYPE_RGBA_16;
        case SrgbConverter::Samples::Rgb8:
            break;
    }
    return TYPE_RGB_8;
}

int SamplesPerPixel(SrgbConverter::Samples samples) {
    return samples == SrgbConverter::Samples::Rgbx16 ? 4 : 3;
}

void* TransformToSrgb(std::string_view iccProfile, SrgbConverter::Samples samples) {
    if (iccProfile.empty()) {
        return nullptr;
    }
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
    // cannot hold the colour. Rows are converted once each: the one-pixel cache only costs.
    return cmsCreateTransform(source.get(), InputType(samples), srgb.get(), TYPE_RGB_8,
                              INTENT_PERCEPTUAL, cmsFLAGS_NOCACHE);
}

}  // namespace

void SrgbConverter::TransformDeleter::operator()(void* transform) const {
    cmsDeleteTransform(transform);
}

SrgbConverter::SrgbConverter(Samples samples) : samples(samples) {}

SrgbConverter::SrgbConverter(std::string_view iccProfile, Samples samples)
    : samples(samples), transform(TransformToSrgb(iccProfile, samples)) {}

SrgbConverter::~SrgbConverter() = default;

void SrgbConverter::ConvertRow(const void* in, std::uint8_t* out, int count) const {
    if (transform) {
        cmsDoTransform(transform.get(), in, out, static_cast<cmsUInt32Number>(count));
    } else if (samples != Samples::Rgb8) {
        RoundToEightBits(static_cast<const std::uint16_t*>(in), out, count);
    } else if (in != out) {
        std::memcpy(out, in, static_cast<std::size_t>(count) * 3);
    }
}

void SrgbConverter::RoundToEightBits(const std::uint16_t* in, std::uint8_t* out, int count) const {
    const int stride = SamplesPerPixel(samples);
    for (int x = 0; x < count; ++x, in += stride, out += 3) {
        for (int channel = 0; channel < 3; ++channel) {
            // 65535 / 255 = 257 exactly: the nearest 8-bit level, not the one below.
            out[channel] = static_cast<std::uint8_t>((in[channel] * 255u + 32767u) / 65535u);
        }
    }
}
