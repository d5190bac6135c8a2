#include "platform/linux/converter/colour/MatrixShaperToSrgb.h"

#include <lcms2.h>

#include <algorithm>
#include <optional>

namespace {

// sRGB's narrowest level, the first, is 1 / (255 * 12.92) wide in linear values: 1 / 3295.
constexpr std::size_t kLevelBins = 4096;

using Matrix = std::array<std::array<double, 3>, 3>;

struct ProfileCloser {
    void operator()(void* profile) const { cmsCloseProfile(profile); }
};

bool IsRgbMatrixShaper(void* profile) {
    return cmsGetColorSpace(profile) == cmsSigRgbData && cmsIsMatrixShaper(profile);
}

// The colorants as columns: linear RGB to the connection space's XYZ.
std::optional<Matrix> ToXyz(void* profile) {
    const cmsTagSignature tags[] = {cmsSigRedColorantTag, cmsSigGreenColorantTag,
                                    cmsSigBlueColorantTag};
    Matrix matrix{};
    for (int column = 0; column < 3; ++column) {
        const auto* xyz = static_cast<const cmsCIEXYZ*>(cmsReadTag(profile, tags[column]));
        if (xyz == nullptr) {
            return std::nullopt;
        }
        matrix[0][column] = xyz->X;
        matrix[1][column] = xyz->Y;
        matrix[2][column] = xyz->Z;
    }
    return matrix;
}

std::optional<Matrix> Inverse(const Matrix& m) {
    const double determinant = m[0][0] * (m[1][1] * m[2][2] - m[1][2] * m[2][1]) -
                               m[0][1] * (m[1][0] * m[2][2] - m[1][2] * m[2][0]) +
                               m[0][2] * (m[1][0] * m[2][1] - m[1][1] * m[2][0]);
    if (determinant == 0) {
        return std::nullopt;
    }
    Matrix inverse{};
    for (int row = 0; row < 3; ++row) {
        for (int column = 0; column < 3; ++column) {
            // The cofactor of the transposed position, by cyclic indices.
            const int r1 = (column + 1) % 3, r2 = (column + 2) % 3;
            const int c1 = (row + 1) % 3, c2 = (row + 2) % 3;
            inverse[row][column] = (m[r1][c1] * m[r2][c2] - m[r1][c2] * m[r2][c1]) / determinant;
        }
    }
    return inverse;
}

Matrix Product(const Matrix& a, const Matrix& b) {
    Matrix product{};
    for (int row = 0; row < 3; ++row) {
        for (int column = 0; column < 3; ++column) {
            for (int i = 0; i < 3; ++i) {
                product[row][column] += a[row][i] * b[i][column];
            }
        }
    }
    return product;
}

const cmsToneCurve* Curve(void* profile, int channel) {
    const cmsTagSignature tags[] = {cmsSigRedTRCTag, cmsSigGreenTRCTag, cmsSigBlueTRCTag};
    return static_cast<const cmsToneCurve*>(cmsReadTag(profile, tags[channel]));
}

}  // namespace

std::unique_ptr<MatrixShaperToSrgb> MatrixShaperToSrgb::For(void* profile, int bitsPerSample) {
    const std::unique_ptr<void, ProfileCloser> srgb(cmsCreate_sRGBProfile());
    if (!srgb || !IsRgbMatrixShaper(profile)) {
        return nullptr;
    }
    const std::optional<Matrix> sourceToXyz = ToXyz(profile);
    const std::optional<Matrix> srgbToXyz = ToXyz(srgb.get());
    const std::optional<Matrix> xyzToSrgb = srgbToXyz ? Inverse(*srgbToXyz) : std::nullopt;
    const cmsToneCurve* srgbCurve = Curve(srgb.get(), 0);
    if (!sourceToXyz || !xyzToSrgb || srgbCurve == nullptr) {
        return nullptr;
    }
    std::unique_ptr<MatrixShaperToSrgb> converter(new MatrixShaperToSrgb());
    const Matrix toSrgb = Product(*xyzToSrgb, *sourceToXyz);
    for (int row = 0; row < 3; ++row) {
        for (int column = 0; column < 3; ++column) {
            converter->toSrgb[row][column] = static_cast<float>(toSrgb[row][column]);
        }
    }
    if (!converter->TabulateCurves(profile, std::size_t(1) << bitsPerSample)) {
        return nullptr;
    }
    converter->TabulateLevels(srgbCurve);
    if (bitsPerSample == 8) {
        converter->TabulateEightBitShares();
    }
    return converter;
}

bool MatrixShaperToSrgb::TabulateCurves(void* profile, std::size_t sampleValues) {
    for (int channel = 0; channel < 3; ++channel) {
        const cmsToneCurve* curve = Curve(profile, channel);
        if (curve == nullptr) {
            return false;
        }
        linear[channel].resize(sampleValues);
        for (std::size_t value = 0; value < sampleValues; ++value) {
            linear[channel][value] = cmsEvalToneCurveFloat(
                curve, static_cast<cmsFloat32Number>(value) / (sampleValues - 1));
        }
    }
    return true;
}

void MatrixShaperToSrgb::TabulateLevels(const void* srgbCurve) {
    const auto* curve = static_cast<const cmsToneCurve*>(srgbCurve);
    // Level k begins half way between k - 1 and k, in the encoded values sRGB's curve decodes.
    for (std::size_t level = 1; level <= 255; ++level) {
        levelStarts[level - 1] =
            cmsEvalToneCurveFloat(curve, (static_cast<float>(level) - 0.5f) / 255.0f);
    }
    levelStarts.back() = 2.0f;
    levelOfBin.resize(kLevelBins);
    std::size_t level = 0;
    for (std::size_t bin = 0; bin < kLevelBins; ++bin) {
        const float start = static_cast<float>(bin) / kLevelBins;
        while (level < levelStarts.size() && levelStarts[level] <= start) {
            ++level;
        }
        levelOfBin[bin] = static_cast<std::uint8_t>(level);
    }
}

void MatrixShaperToSrgb::TabulateEightBitShares() {
    for (int output = 0; output < 3; ++output) {
        for (int input = 0; input < 3; ++input) {
            for (std::size_t value = 0; value < 256; ++value) {
                eightBitShares[output][input][value] = toSrgb[output][input] * linear[input][value];
            }
        }
    }
}

std::uint8_t MatrixShaperToSrgb::NearestLevel(float linearValue) const {
    // Values outside sRGB land on 0 or 255: the colour clipped, as a colorimetric transform does.
    if (!(linearValue > 0.0f)) {
        return 0;
    }
    if (linearValue >= 1.0f) {
        return 255;
    }
    const std::uint8_t level = levelOfBin[static_cast<std::size_t>(linearValue * kLevelBins)];
    // Without a branch: which way it goes is a coin toss for the pixels of a photo.
    return static_cast<std::uint8_t>(level + (linearValue >= levelStarts[level] ? 1 : 0));
}

void MatrixShaperToSrgb::WriteLevels(const float (&source)[3], std::uint8_t* out) const {
    for (int channel = 0; channel < 3; ++channel) {
        const auto& row = toSrgb[channel];
        out[channel] = NearestLevel(row[0] * source[0] + row[1] * source[1] + row[2] * source[2]);
    }
}

void MatrixShaperToSrgb::ConvertRow(const std::uint16_t* in, int stride, std::uint8_t* out,
                                    int count) const {
    for (int x = 0; x < count; ++x, in += stride, out += 3) {
        WriteLevels({linear[0][in[0]], linear[1][in[1]], linear[2][in[2]]}, out);
    }
}

void MatrixShaperToSrgb::ConvertRow(const std::uint8_t* in, std::uint8_t* out, int count) const {
    for (int x = 0; x < count; ++x, in += 3, out += 3) {
        const std::uint8_t red = in[0], green = in[1], blue = in[2];
        for (int channel = 0; channel < 3; ++channel) {
            const auto& shares = eightBitShares[channel];
            out[channel] = NearestLevel(shares[0][red] + shares[1][green] + shares[2][blue]);
        }
    }
}
