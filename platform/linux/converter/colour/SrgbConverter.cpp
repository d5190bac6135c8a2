#include "platform/linux/converter/colour/SrgbConverter.h"

#include <lcms2.h>

#include <algorithm>
#include <cmath>
#include <cstring>

#include "platform/linux/converter/colour/MatrixShaperToSrgb.h"

namespace {

struct ProfileCloser {
    void operator()(void* profile) const { cmsCloseProfile(profile); }
};
using Profile = std::unique_ptr<void, ProfileCloser>;

int SamplesPerPixel(SrgbConverter::Samples samples) {
    return samples == SrgbConverter::Samples::Rgbx16 ? 4 : 3;
}

std::uint8_t NearestLevel(float value) {
    return static_cast<std::uint8_t>(std::lround(std::clamp(value, 0.0f, 1.0f) * 255.0f));
}

Profile OpenRgbProfile(std::string_view iccProfile) {
    if (iccProfile.empty()) {
        return nullptr;
    }
    Profile profile(
        cmsOpenProfileFromMem(iccProfile.data(), static_cast<cmsUInt32Number>(iccProfile.size())));
    return profile && cmsGetColorSpace(profile.get()) == cmsSigRgbData ? std::move(profile)
                                                                       : nullptr;
}

void* TransformToSrgb(void* source, SrgbConverter::Samples samples) {
    const Profile srgb(cmsCreate_sRGBProfile());
    if (!srgb) {
        return nullptr;
    }
    // Perceptual: photos from wide-gamut cameras and phones keep their gradations where sRGB
    // cannot hold the colour. Rows are converted once each: the one-pixel cache only costs.
    // Only for the rare profiles that are tables. Deep pixels go through floats, exact but slow:
    // Little CMS's 16-bit transforms interpolate in a table of their own and land levels off.
    const bool deep = samples != SrgbConverter::Samples::Rgb8;
    return cmsCreateTransform(source, deep ? TYPE_RGB_FLT : TYPE_RGB_8, srgb.get(),
                              deep ? TYPE_RGB_FLT : TYPE_RGB_8, INTENT_PERCEPTUAL,
                              cmsFLAGS_NOCACHE);
}

}  // namespace

void SrgbConverter::TransformDeleter::operator()(void* transform) const {
    cmsDeleteTransform(transform);
}

SrgbConverter::SrgbConverter(Samples samples) : samples(samples) {}

SrgbConverter::SrgbConverter(std::string_view iccProfile, Samples samples) : samples(samples) {
    const Profile source = OpenRgbProfile(iccProfile);
    if (!source) {
        return;
    }
    matrixShaper = MatrixShaperToSrgb::For(source.get(), samples == Samples::Rgb8 ? 8 : 16);
    if (!matrixShaper) {
        transform.reset(TransformToSrgb(source.get(), samples));
    }
}

SrgbConverter::~SrgbConverter() = default;

void SrgbConverter::ConvertRow(const void* in, std::uint8_t* out, int count) const {
    const auto* deep = static_cast<const std::uint16_t*>(in);
    if (matrixShaper && samples == Samples::Rgb8) {
        matrixShaper->ConvertRow(static_cast<const std::uint8_t*>(in), out, count);
    } else if (matrixShaper) {
        matrixShaper->ConvertRow(deep, SamplesPerPixel(samples), out, count);
    } else if (transform && samples != Samples::Rgb8) {
        ConvertDeepRow(deep, out, count);
    } else if (transform) {
        cmsDoTransform(transform.get(), in, out, static_cast<cmsUInt32Number>(count));
    } else if (samples != Samples::Rgb8) {
        RoundToEightBits(deep, out, count);
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

void SrgbConverter::ConvertDeepRow(const std::uint16_t* in, std::uint8_t* out, int count) const {
    const int stride = SamplesPerPixel(samples);
    floats.resize(static_cast<std::size_t>(count) * 3);
    for (std::size_t x = 0; x < floats.size(); x += 3, in += stride) {
        for (std::size_t channel = 0; channel < 3; ++channel) {
            floats[x + channel] = static_cast<float>(in[channel]) / 65535.0f;
        }
    }
    cmsDoTransform(transform.get(), floats.data(), floats.data(),
                   static_cast<cmsUInt32Number>(count));
    for (std::size_t i = 0; i < floats.size(); ++i) {
        out[i] = NearestLevel(floats[i]);
    }
}
