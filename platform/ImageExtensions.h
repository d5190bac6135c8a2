#pragma once

#include <string_view>
#include <vector>

#include "model/WideString.h"

// The extensions the converter reads, lower case, without the dot.
std::vector<WideString> SupportedExtensions();

// The extension is everything after the last '.' of the whole path, with A-Z folded to a-z.
bool HasSupportedExtension(const WideString& path, const std::vector<WideString>& extensions);

// The same rule on a path's bytes, as the file system lists them: bytes beyond ASCII, alone or in
// UTF-8 sequences, never match, just as the code units they decode to never do.
bool HasSupportedExtension(std::string_view path, const std::vector<WideString>& extensions);
