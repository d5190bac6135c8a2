#pragma once

#include <vector>

#include "model/WideString.h"

// The extensions the converter reads, lower case, without the dot.
std::vector<WideString> SupportedExtensions();

// The extension is everything after the last '.' of the whole path, with A-Z folded to a-z.
bool HasSupportedExtension(const WideString& path, const std::vector<WideString>& extensions);
