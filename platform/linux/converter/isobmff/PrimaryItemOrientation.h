#pragma once

#include <optional>
#include <string_view>

#include "platform/linux/converter/isobmff/PictureOrientation.h"

// The rotation and mirroring that the properties of a HEIF file's primary item ask for, read
// from the file's boxes; nothing when they cannot be read or the item is also to be cropped
// ("clap"), which only the decoder can do.
std::optional<PictureOrientation> ReadPrimaryItemOrientation(std::string_view file);
