#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <vector>

#include "platform/linux/converter/colour/CodePointColourConverter.h"

namespace {

constexpr int kTenBitMaximum = 1023;

// One row of grey 16-bit pixels of the given values, as a decoder hands them over.
std::vector<std::uint8_t> GreyRow(const std::vector<std::uint16_t>& values) {
    std::vector<std::uint16_t> pixels;
    for (const std::uint16_t value : values) {
        pixels.insert(pixels.end(), {value, value, value});
    }
    std::vector<std::uint8_t> bytes(pixels.size() * 2);
    std::memcpy(bytes.data(), pixels.data(), bytes.size());
    return bytes;
}

std::vector<int> Reds(const RgbImage& image) {
    std::vector<int> reds;
    for (int x = 0; x < image.width; ++x) {
        reds.push_back(image.Pixel(x, 0)[0]);
    }
    return reds;
}

// Truncating 10-bit values to their top 8 bits would darken every picture by up to a level and
// bunch the darkest shades; each value lands on the nearest 8-bit one.
TEST(CodePointColourConverterTest, DeepUntaggedValuesAreRoundedToTheNearestEightBitValue) {
    std::vector<std::uint16_t> ramp(kTenBitMaximum + 1);
    for (int value = 0; value <= kTenBitMaximum; ++value) {
        ramp[value] = static_cast<std::uint16_t>(value);
    }
    const CodePointColourConverter converter({}, CicpColour{});
    const std::vector<std::uint8_t> row = GreyRow(ramp);
    const RgbImage image =
        converter.ConvertDeep(row.data(), row.size(), kTenBitMaximum + 1, 1, kTenBitMaximum);
    for (int value = 0; value <= kTenBitMaximum; ++value) {
        const double exact = value * 255.0 / kTenBitMaximum;
        ASSERT_LE(std::abs(image.Pixel(value, 0)[0] - exact), 0.5) << value;
    }
}

// HDR greys (BT.2020 primaries keep the D65 white): the perceptual quantiser's codes for 0,
// 100 and 203 cd/m² (ITU-R BT.2408's diffuse white) and the brightest; hybrid log-gamma's 0, 50%
// and 75% (its diffuse white) signals. 100 cd/m² is 100/203 of the screen's white in linear
// light, 186 in sRGB; HLG's 50% signal is 1/12 in scene light, 50.6 cd/m² on a 1000 cd/m²
// screen, 137.
TEST(CodePointColourConverterTest, HdrGreysKeepDiffuseWhiteAsTheScreensWhite) {
    struct Case {
        const char* name;
        CicpColour colour;
        std::vector<std::uint16_t> codes;
        std::vector<int> expected;
    };
    const Case cases[] = {
        {"perceptual quantiser", {9, 16}, {0, 520, 594, 1023}, {0, 186, 255, 255}},
        {"hybrid log-gamma", {9, 18}, {0, 512, 767}, {0, 137, 255}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const CodePointColourConverter converter({}, c.colour);
        const std::vector<std::uint8_t> row = GreyRow(c.codes);
        const RgbImage image = converter.ConvertDeep(
            row.data(), row.size(), static_cast<int>(c.codes.size()), 1, kTenBitMaximum);
        const std::vector<int> reds = Reds(image);
        ASSERT_EQ(reds.size(), c.expected.size());
        for (std::size_t i = 0; i < reds.size(); ++i) {
            EXPECT_NEAR(reds[i], c.expected[i], 2) << "code " << c.codes[i];
        }
    }
}

}  // namespace
