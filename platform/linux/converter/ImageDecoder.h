#pragma once

#include <optional>
#include <string>

#include "platform/linux/converter/RgbImage.h"

// Reads an image file of one of the supported formats into upright 8-bit RGB pixels, or nothing
// when it cannot be read. Meant to run only inside the converter process: a damaged file may
// make the decoders crash or ask for gigabytes.
std::optional<RgbImage> DecodeImage(const std::string& path);

// Why DecodeImage refused a file, as the line "vornk-image-converter: REASON" on standard error.
namespace decode_refusal {

inline constexpr char kTruncated[] = "refused: shorter than its headers announce";
inline constexpr char kByDecoders[] = "refused by the decoders";
inline constexpr char kOutOfMemory[] = "refused: out of memory";

}  // namespace decode_refusal
