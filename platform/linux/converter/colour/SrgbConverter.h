#pragma once

#include <cstdint>
#include <memory>
#include <string_view>
#include <vector>

#include "platform/linux/converter/colour/MatrixShaperToSrgb.h"

// Brings rows of decoded pixels into 8-bit sRGB, through the ICC profile the file embeds. Deep
// pixels (16 bits a channel) go through the profile at that depth, so that they are rounded to
// 8 bits once, after it; without a usable profile they are only rounded. Pixels without a
// profile, or whose profile cannot be read or is not an RGB one, keep their values.
class SrgbConverter final {
public:
    // What a row holds: 8-bit RGB, 16-bit RGB, or 16-bit RGB each followed by a 16-bit sample
    // that is ignored. 16-bit samples are in the machine's byte order.
    enum class Samples { Rgb8, Rgb16, Rgbx16 };

    // Untagged pixels of the given layout.
    explicit SrgbConverter(Samples samples = Samples::Rgb8);
    SrgbConverter(std::string_view iccProfile, Samples samples);
    ~SrgbConverter();
    SrgbConverter(const SrgbConverter&) = delete;
    SrgbConverter& operator=(const SrgbConverter&) = delete;

    // Whether a profile is applied.
    bool HasProfile() const { return transform != nullptr || matrixShaper != nullptr; }

    // Writes `count` pixels of `in` to `out` as 8-bit RGB. For 8-bit input `out` may be `in`.
    void ConvertRow(const void* in, std::uint8_t* out, int count) const;

private:
    struct TransformDeleter {
        void operator()(void* transform) const;
    };

    void RoundToEightBits(const std::uint16_t* in, std::uint8_t* out, int count) const;
    void ConvertDeepRow(const std::uint16_t* in, std::uint8_t* out, int count) const;

    Samples samples;
    std::unique_ptr<void, TransformDeleter> transform;
    std::unique_ptr<MatrixShaperToSrgb> matrixShaper;
    // One row of deep pixels as floats, reused from row to row.
    mutable std::vector<float> floats;
};
