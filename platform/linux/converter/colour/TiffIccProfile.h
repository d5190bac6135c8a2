#pragma once

#include <string>
#include <string_view>

// The ICC profile of a TIFF file's first picture (tag 34675), or nothing when there is none or
// it lies outside the file.
std::string ReadTiffIccProfile(std::string_view file);
