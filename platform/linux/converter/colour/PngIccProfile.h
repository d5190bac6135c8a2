#pragma once

#include <string>
#include <string_view>

// The ICC profile of a PNG file's iCCP chunk, inflated, or nothing when there is none or it
// cannot be read (a bad checksum, a damaged or oversized stream). Only a chunk before the image
// data counts, as the format says.
std::string ReadPngIccProfile(std::string_view file);
