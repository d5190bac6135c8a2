#pragma once

#include <cstddef>
#include <cstdint>

#include "platform/linux/converter/ImageConverterProtocol.h"

// Whether a picture of this size can be decoded inside the converter's memory: checked from the
// header, before any pixel is allocated, so that a damaged or hostile header is refused rather
// than left to fail somewhere inside a library. BYTES_PER_PIXEL counts every copy the decoder
// and we hold at once; the largest single copy (LARGEST_COPY bytes a pixel) stays within the
// gigabyte that the other decoders may allocate at once, and the whole within three quarters of
// the process's limit, the rest being the libraries' own.
inline bool FitsDecodeBudget(std::uint32_t width, std::uint32_t height, unsigned bytesPerPixel,
                             unsigned largestCopy) {
    constexpr std::uint64_t kLargestAllocation = std::uint64_t(1) << 30;
    constexpr std::uint64_t kWholeBudget = image_converter::kMemoryLimitBytes / 4 * 3;
    const std::uint64_t pixels = std::uint64_t(width) * height;
    return width > 0 && height > 0 && pixels * largestCopy <= kLargestAllocation &&
           pixels * bytesPerPixel <= kWholeBudget;
}
