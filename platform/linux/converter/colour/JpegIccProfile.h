#pragma once

#include <string>
#include <string_view>

// The ICC profile a JPEG file carries in its APP2 "ICC_PROFILE" segments, joined in their
// sequence order, or nothing when there is none or the segments do not make one whole profile
// (a number missing or repeated, counts that disagree).
std::string ReadJpegIccProfile(std::string_view file);
