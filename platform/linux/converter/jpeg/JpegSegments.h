#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

// One marker segment of a JPEG file's header and the bytes after its length field.
struct JpegSegment {
    std::uint8_t marker;
    std::string_view payload;
};

// The segments before the first scan, where a file keeps its profile and its EXIF block; none
// when the bytes do not start a JPEG file. The walk stops at the first length that leaves the
// file.
std::vector<JpegSegment> JpegHeaderSegments(std::string_view file);
