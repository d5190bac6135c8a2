#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <vector>

// Pixels of a matrix/curve RGB profile, which nearly every camera, phone and editor embeds,
// brought into 8-bit sRGB to the nearest level. Little CMS reads the profiles; its own 16-bit
// transforms interpolate in a table and land up to a dozen levels off near black and the edge of
// sRGB, its exact float transforms take seconds for a photo, and its 8-bit ones take four times
// as long as these tables.
class MatrixShaperToSrgb final {
public:
    // For samples of 8 or 16 bits, the rows then given with those samples. Nothing when the
    // profile (a Little CMS profile handle) is not a matrix/curve RGB one.
    static std::unique_ptr<MatrixShaperToSrgb> For(void* profile, int bitsPerSample);

    // 16-bit samples, `stride` a pixel, the first three red, green and blue.
    void ConvertRow(const std::uint16_t* in, int stride, std::uint8_t* out, int count) const;
    // 8-bit RGB; `out` may be `in`.
    void ConvertRow(const std::uint8_t* in, std::uint8_t* out, int count) const;

private:
    MatrixShaperToSrgb() = default;

    bool TabulateCurves(void* profile, std::size_t sampleValues);
    void TabulateLevels(const void* srgbCurve);
    void TabulateEightBitShares();

    std::uint8_t NearestLevel(float linear) const;
    // The three linear values of a pixel, in sRGB's primaries, as 8-bit levels.
    void WriteLevels(const float (&source)[3], std::uint8_t* out) const;

    // Each sample value's linear value, per channel.
    std::array<std::vector<float>, 3> linear;
    // Source linear RGB to sRGB linear RGB, rows.
    std::array<std::array<float, 3>, 3> toSrgb{};
    // For 8-bit samples, what each sample value of each channel adds to each sRGB channel: a
    // table that stays in the processor's nearest cache.
    std::array<std::array<std::array<float, 256>, 3>, 3> eightBitShares{};
    // The linear value at which each 8-bit sRGB level above 0 begins, and one past 255 that no
    // value reaches.
    std::array<float, 256> levelStarts{};
    // The level at the start of each of equal bins of linear values, each narrower than the
    // narrowest level: a value's level is its bin's or the one above.
    std::vector<std::uint8_t> levelOfBin;
};
