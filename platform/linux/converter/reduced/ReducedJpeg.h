#pragma once

#include <optional>
#include <string_view>

#include "platform/linux/converter/RgbImage.h"

// The JPEG decoded at the smallest of libjpeg's reduced sizes (1/8 to 7/8) that still covers
// every monitor of `layout` (the screen where it has none) when scaled to fill it, upright. The
// commonest photos are decoded on two cores (TwoCoreJpegDecoder); for the others, libjpeg leaves
// the rows that no monitor's fill reads (cropped away at the bottom) black, undecoded, where the
// picture's rows stay rows. Nothing when no reduced size is small enough to matter, when the
// file is not a plain YCbCr, RGB or grey JPEG, or on any decoding error: the full decoding
// decides about those files.
std::optional<RgbImage> DecodeReducedJpeg(std::string_view content, const ScreenLayout& layout);
