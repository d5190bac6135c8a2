#include "platform/linux/converter/colour/CodePointColourConverter.h"

#include <lcms2.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <vector>

namespace {

struct ProfileCloser {
    void operator()(void* profile) const { cmsCloseProfile(profile); }
};
struct TransformDeleter {
    void operator()(void* transform) const { cmsDeleteTransform(transform); }
};
struct CurveFreer {
    void operator()(cmsToneCurve* curve) const { cmsFreeToneCurve(curve); }
};
using Profile = std::unique_ptr<void, ProfileCloser>;
using Transform = std::unique_ptr<void, TransformDeleter>;
using Curve = std::unique_ptr<cmsToneCurve, CurveFreer>;

// H.273 code points.
constexpr int kUnspecified = 2;
constexpr int kBt709 = 1;
constexpr int kBt601 = 6;
constexpr int kBt2020TenBit = 14;
constexpr int kBt2020TwelveBit = 15;
constexpr int kSrgb = 13;
constexpr int kGamma22 = 4;
constexpr int kGamma28 = 5;
constexpr int kLinear = 8;
constexpr int kPerceptualQuantiser = 16;
constexpr int kHybridLogGamma = 18;

struct Chromaticities {
    int code;
    cmsCIExyY white;
    cmsCIExyYTRIPLE primaries;
};

constexpr cmsCIExyY kD65{0.3127, 0.3290, 1.0};
constexpr cmsCIExyY kIlluminantC{0.310, 0.316, 1.0};
constexpr cmsCIExyY kDci{0.314, 0.351, 1.0};

constexpr std::array<Chromaticities, 9> kPrimaries = {{
    {kBt709, kD65, {{0.640, 0.330, 1.0}, {0.300, 0.600, 1.0}, {0.150, 0.060, 1.0}}},
    {4, kIlluminantC, {{0.67, 0.33, 1.0}, {0.21, 0.71, 1.0}, {0.14, 0.08, 1.0}}},
    {5, kD65, {{0.64, 0.33, 1.0}, {0.29, 0.60, 1.0}, {0.15, 0.06, 1.0}}},
    {6, kD65, {{0.630, 0.340, 1.0}, {0.310, 0.595, 1.0}, {0.155, 0.070, 1.0}}},
    {7, kD65, {{0.630, 0.340, 1.0}, {0.310, 0.595, 1.0}, {0.155, 0.070, 1.0}}},
    {8, kIlluminantC, {{0.681, 0.319, 1.0}, {0.243, 0.692, 1.0}, {0.145, 0.049, 1.0}}},
    {9, kD65, {{0.708, 0.292, 1.0}, {0.170, 0.797, 1.0}, {0.131, 0.046, 1.0}}},
    {11, kDci, {{0.680, 0.320, 1.0}, {0.265, 0.690, 1.0}, {0.150, 0.060, 1.0}}},
    {12, kD65, {{0.680, 0.320, 1.0}, {0.265, 0.690, 1.0}, {0.150, 0.060, 1.0}}},
}};

const Chromaticities* FindPrimaries(int code) {
    const auto* found = std::find_if(kPrimaries.begin(), kPrimaries.end(),
                                     [code](const Chromaticities& c) { return c.code == code; });
    return found == kPrimaries.end() ? nullptr : found;
}

// Diffuse white of HDR pictures (ITU-R BT.2408), in cd/m², becomes the screen's white; brighter
// highlights are clipped, which keeps the picture's mid-tones as its author saw them.
constexpr double kHdrReferenceWhite = 203.0;

double PerceptualQuantiserToRelative(double signal) {
    constexpr double m1 = 2610.0 / 16384.0;
    constexpr double m2 = 2523.0 / 4096.0 * 128.0;
    constexpr double c1 = 3424.0 / 4096.0;
    constexpr double c2 = 2413.0 / 4096.0 * 32.0;
    constexpr double c3 = 2392.0 / 4096.0 * 32.0;
    const double power = std::pow(signal, 1.0 / m2);
    const double nits = 10000.0 * std::pow(std::max(power - c1, 0.0) / (c2 - c3 * power), 1.0 / m1);
    return std::min(nits / kHdrReferenceWhite, 1.0);
}

// Shown as on a 1000 cd/m² display, whose system gamma is 1.2.
double HybridLogGammaToRelative(double signal) {
    constexpr double a = 0.17883277;
    constexpr double b = 0.28466892;
    constexpr double c = 0.55991073;
    const double scene =
        signal <= 0.5 ? signal * signal / 3.0 : (std::exp((signal - c) / a) + b) / 12.0;
    return std::min(std::pow(scene, 1.2) * 1000.0 / kHdrReferenceWhite, 1.0);
}

Curve TabulatedCurve(double (*toLinear)(double)) {
    constexpr int kEntries = 4096;
    std::vector<cmsFloat32Number> table(kEntries);
    for (int i = 0; i < kEntries; ++i) {
        table[i] = static_cast<cmsFloat32Number>(toLinear(double(i) / (kEntries - 1)));
    }
    return Curve(cmsBuildTabulatedToneCurveFloat(nullptr, kEntries, table.data()));
}

// Parametric curve type 4: Y = (aX + b)^g above d, cX below.
Curve PiecewiseCurve(double gamma, double offset, double slope, double threshold) {
    const cmsFloat64Number parameters[] = {gamma, 1.0 / (1.0 + offset), offset / (1.0 + offset),
                                           1.0 / slope, threshold};
    return Curve(cmsBuildParametricToneCurve(nullptr, 4, parameters));
}

Curve TransferCurve(int code) {
    switch (code) {
        case kBt709:
        case kBt601:
        case kBt2020TenBit:
        case kBt2020TwelveBit:
            return PiecewiseCurve(1.0 / 0.45, 0.099, 4.5, 0.081);
        case kUnspecified:
        case kSrgb:
            return PiecewiseCurve(2.4, 0.055, 12.92, 0.04045);
        case kGamma22:
            return Curve(cmsBuildGamma(nullptr, 2.2));
        case kGamma28:
            return Curve(cmsBuildGamma(nullptr, 2.8));
        case kLinear:
            return Curve(cmsBuildGamma(nullptr, 1.0));
        case kPerceptualQuantiser:
            return TabulatedCurve(PerceptualQuantiserToRelative);
        case kHybridLogGamma:
            return TabulatedCurve(HybridLogGammaToRelative);
        default:
            return nullptr;
    }
}

// Pictures coded with BT.709 primaries and an SDR transfer are shown as sRGB everywhere: the
// curves differ only in the darkest shades, and converting would only cost time.
bool LooksLikeSrgb(CicpColour colour) {
    const bool srgbPrimaries = colour.primaries == kBt709 || colour.primaries == kUnspecified;
    const bool sdrTransfer = colour.transfer == kBt709 || colour.transfer == kBt601 ||
                             colour.transfer == kSrgb || colour.transfer == kUnspecified ||
                             colour.transfer == kBt2020TenBit ||
                             colour.transfer == kBt2020TwelveBit;
    return srgbPrimaries && sdrTransfer;
}

// Unknown (reserved) code points describe nothing we can convert: the pixels stay as they are.
Profile ProfileFor(CicpColour colour) {
    if (LooksLikeSrgb(colour)) {
        return nullptr;
    }
    const Chromaticities* primaries =
        FindPrimaries(colour.primaries == kUnspecified ? kBt709 : colour.primaries);
    const Curve curve = TransferCurve(colour.transfer);
    if (primaries == nullptr || !curve) {
        return nullptr;
    }
    cmsToneCurve* curves[3] = {curve.get(), curve.get(), curve.get()};
    return Profile(cmsCreateRGBProfile(&primaries->white, &primaries->primaries, curves));
}

Profile ProfileFor(std::string_view iccProfile) {
    Profile profile(
        cmsOpenProfileFromMem(iccProfile.data(), static_cast<cmsUInt32Number>(iccProfile.size())));
    return profile && cmsGetColorSpace(profile.get()) == cmsSigRgbData ? std::move(profile)
                                                                       : nullptr;
}

}  // namespace

struct CodePointColourConverter::Source {
    Profile profile;

    // Made once per depth: a picture converted in strips uses the same transform for each.
    void* ToSrgb(cmsUInt32Number inputType) const {
        Transform& made = inputType == TYPE_RGB_16 ? deepTransform : transform;
        if (!made && profile) {
            made = MakeTransform(inputType);
        }
        return made.get();
    }

private:
    mutable Transform transform;
    mutable Transform deepTransform;

    // Perceptual: photos from wide-gamut cameras and phones keep their gradations where sRGB
    // cannot hold the colour. Deep pixels go through the source's curves before Little CMS's
    // sampled grid, in a finer grid: sampled as they are, the bend of an HDR curve at diffuse
    // white falls between the grid's points.
    Transform MakeTransform(cmsUInt32Number inputType) const {
        const Profile srgb(cmsCreate_sRGBProfile());
        if (!srgb) {
            return nullptr;
        }
        const cmsUInt32Number flags =
            inputType == TYPE_RGB_16 ? cmsFLAGS_CLUT_PRE_LINEARIZATION | cmsFLAGS_HIGHRESPRECALC
                                     : 0;
        return Transform(cmsCreateTransform(profile.get(), inputType, srgb.get(), TYPE_RGB_8,
                                            INTENT_PERCEPTUAL, flags));
    }
};

CodePointColourConverter::CodePointColourConverter(std::string_view iccProfile, CicpColour colour)
    : source(std::make_unique<Source>()) {
    source->profile = iccProfile.empty() ? ProfileFor(colour) : ProfileFor(iccProfile);
}

CodePointColourConverter::~CodePointColourConverter() = default;

RgbImage CodePointColourConverter::Convert(const std::uint8_t* rows, std::size_t stride, int width,
                                           int height) const {
    RgbImage image{width, height, {}};
    const std::size_t rowSize = std::size_t(width) * 3;
    image.pixels.resize(rowSize * std::size_t(height));
    void* const transform = source->ToSrgb(TYPE_RGB_8);
    for (int y = 0; y < height; ++y) {
        const std::uint8_t* row = rows + stride * std::size_t(y);
        std::uint8_t* target = image.pixels.data() + rowSize * std::size_t(y);
        if (transform) {
            cmsDoTransform(transform, row, target, static_cast<cmsUInt32Number>(width));
        } else {
            std::memcpy(target, row, rowSize);
        }
    }
    return image;
}

void CodePointColourConverter::ConvertInPlace(RgbImage& image) const {
    void* const transform = source->ToSrgb(TYPE_RGB_8);
    if (transform == nullptr) {
        return;
    }
    const std::size_t rowSize = std::size_t(image.width) * 3;
    for (int y = 0; y < image.height; ++y) {
        std::uint8_t* row = image.pixels.data() + rowSize * std::size_t(y);
        cmsDoTransform(transform, row, row, static_cast<cmsUInt32Number>(image.width));
    }
}

RgbImage CodePointColourConverter::ConvertDeep(const std::uint8_t* rows, std::size_t stride,
                                               int width, int height, int maximum) const {
    RgbImage image{width, height, {}};
    image.pixels.resize(std::size_t(width) * 3 * std::size_t(height));
    ConvertDeepRows(rows, stride, width, height, maximum, image.pixels.data());
    return image;
}

// Reduced to 8 bits only after the colour conversion, with rounding: gradients of 10-bit HDR
// pictures stay smooth.
void CodePointColourConverter::ConvertDeepRows(const std::uint8_t* rows, std::size_t stride,
                                               int width, int height, int maximum,
                                               std::uint8_t* target) const {
    const std::size_t values = std::size_t(width) * 3;
    void* const transform = source->ToSrgb(TYPE_RGB_16);
    const std::uint32_t scale = transform != nullptr ? 65535 : 255;
    const auto top = static_cast<std::uint32_t>(maximum);
    std::vector<std::uint16_t> row(values);
    for (int y = 0; y < height; ++y, target += values) {
        std::memcpy(row.data(), rows + stride * std::size_t(y), values * 2);
        for (std::uint16_t& value : row) {
            const std::uint32_t clamped = std::min<std::uint32_t>(value, top);
            value = static_cast<std::uint16_t>((clamped * scale + top / 2) / top);
        }
        if (transform != nullptr) {
            cmsDoTransform(transform, row.data(), target, static_cast<cmsUInt32Number>(width));
        } else {
            std::copy(row.begin(), row.end(), target);
        }
    }
}
