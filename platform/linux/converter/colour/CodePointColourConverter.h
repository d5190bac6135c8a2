#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string_view>

#include "platform/linux/converter/RgbImage.h"

// A colour description by code points (ITU-T H.273), as video-coded pictures carry it instead of
// an ICC profile.
struct CicpColour {
    int primaries = 2;  // unspecified
    int transfer = 2;   // unspecified
};

// Brings decoded RGB rows of 8 or 16 bits per channel into an 8-bit sRGB picture, through the
// embedded ICC profile or the code points. Untagged pixels, those described as sRGB, and those
// whose profile cannot be read or is not an RGB one are only reduced to 8 bits.
class CodePointColourConverter final {
public:
    CodePointColourConverter(std::string_view iccProfile, CicpColour colour);
    ~CodePointColourConverter();
    CodePointColourConverter(const CodePointColourConverter&) = delete;
    CodePointColourConverter& operator=(const CodePointColourConverter&) = delete;

    // Rows of `width` RGB pixels, `stride` bytes apart. Deep rows hold 16-bit values up to
    // `maximum` (1023 for 10-bit pixels, 65535 for those scaled to 16 bits).
    RgbImage Convert(const std::uint8_t* rows, std::size_t stride, int width, int height) const;
    void ConvertInPlace(RgbImage& image) const;
    RgbImage ConvertDeep(const std::uint8_t* rows, std::size_t stride, int width, int height,
                         int maximum) const;
    // The same into `target`'s 8-bit rows, for a picture converted a strip at a time.
    void ConvertDeepRows(const std::uint8_t* rows, std::size_t stride, int width, int height,
                         int maximum, std::uint8_t* target) const;

private:
    struct Source;
    std::unique_ptr<Source> source;
};
