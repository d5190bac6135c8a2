#pragma once

#include <string>
#include <vector>

#include "platform/linux/converter/RgbImage.h"

// One output that sway shows something on: its name (what `output NAME bg` takes) and where it
// lies, its position in sway's layout and its size in the physical pixels a background fills
// (the layout's size times the output's scale, turned with the output).
struct SwayOutput {
    std::string name;
    PictureArea area;
};

// The active outputs, asked of sway over its IPC socket (SWAYSOCK), left to right, then top to
// bottom; empty when sway cannot be reached or answers something else.
class SwayOutputs final {
public:
    static std::vector<SwayOutput> Query();
    // The outputs in sway's answer to GET_OUTPUTS, in the same order as Query gives them.
    static std::vector<SwayOutput> FromReply(const std::string& json);
};
