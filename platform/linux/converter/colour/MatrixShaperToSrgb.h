#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <vector>

// Deep pixels (16 bits a channel) of a matrix/curve RGB profile, which nearly every camera,
// phone and editor embeds, brought into 8-bit sRGB to the nearest level. Little CMS reads the
// profiles; its own 16-bit transforms interpolate in a table and land up to a dozen levels off
// near black and the edge of sRGB, and its exact float transforms take seconds for a photo.
class MatrixShaperToSrgb final {
public:
    // Nothing when the profile (a Little CMS profile handle) is not a matrix/curve RGB one.
    static std::unique_ptr<MatrixShaperToSrgb> For(void* profile);

    // `stride` samples a pixel, the first three red, green and blue.
    void ConvertRow(const std::uint16_t* in, int stride, std::uint8_t* out, int count) const;

private:
    MatrixShaperToSrgb() = default;

    std::uint8_t NearestLevel(float linear) const;

    // Each 16-bit sample's linear value, per channel.
    std::array<std::vector<float>, 3> linear;
    // Source linear RGB to sRGB linear RGB, rows.
    std::array<std::array<float, 3>, 3> toSrgb{};
    // The linear value at which each 8-bit sRGB level above 0 begins.
    std::array<float, 255> levelStarts{};
};
