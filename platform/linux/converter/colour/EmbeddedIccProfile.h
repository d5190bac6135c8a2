#pragma once

#include <string>
#include <string_view>

// The ICC profile embedded in a JPEG, PNG or TIFF file, told by the file's content, or nothing
// for other files and for those without a readable profile. The file is untrusted: every field
// is checked against its end.
std::string ReadEmbeddedIccProfile(std::string_view file);
