#include "platform/linux/converter/jpeg/JpegOrientation.h"

#include <cstdint>

#include "platform/linux/converter/formats/ExifOrientation.h"
#include "platform/linux/converter/jpeg/JpegSegments.h"

namespace {

constexpr std::uint8_t kApp1 = 0xE1;
// APP1 carries XMP as well, under another signature.
constexpr std::string_view kExifSignature("Exif\0\0", 6);

}  // namespace

int ReadJpegOrientation(std::string_view file) {
    for (const JpegSegment& segment : JpegHeaderSegments(file)) {
        if (segment.marker == kApp1 && segment.payload.starts_with(kExifSignature)) {
            return ExifOrientation(segment.payload);
        }
    }
    return 1;
}
