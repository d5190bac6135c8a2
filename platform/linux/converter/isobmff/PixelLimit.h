#pragma once

#include <cstddef>
#include <cstdint>

#include "platform/linux/converter/ImageConverterProtocol.h"

// At most this many bytes a pixel while a HEIF or AVIF picture is decoded (a 10-bit HEIF
// picture takes the most): the codec's 16-bit planes, libheif's upsampled and interleaved
// copies, our 16-bit row and the 8-bit picture. Pictures with more pixels than the
// converter's memory holds at that rate are refused before anything is allocated.
inline constexpr std::size_t kDecodingBytesPerPixel = 24;
inline constexpr std::size_t kMaxDecodedPixels =
    image_converter::kMemoryLimitBytes / kDecodingBytesPerPixel;

inline bool FitsPixelLimit(std::int64_t width, std::int64_t height) {
    constexpr auto limit = static_cast<std::int64_t>(kMaxDecodedPixels);
    return width > 0 && height > 0 && width <= limit && height <= limit && width * height <= limit;
}
