#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "platform/linux/converter/RgbImage.h"

// Reads the bytes of an image file of one of the supported formats into upright 8-bit RGB
// pixels, or nothing when they cannot be read. The format is told by the content alone; the name
// is the one the program handed over, whatever its extension. Meant to run only inside the
// converter process: a damaged file may make the decoders crash or ask for gigabytes.
std::optional<RgbImage> DecodeImage(std::string_view content, const std::string& name);

// Why DecodeImage refused a file, as the line "vornk-image-converter: REASON" on standard error.
namespace decode_refusal {

inline constexpr char kTruncated[] = "refused: shorter than its headers announce";
inline constexpr char kByDecoders[] = "refused by the decoders";
inline constexpr char kOutOfMemory[] = "refused: out of memory";

}  // namespace decode_refusal
