#include "platform/linux/converter/colour/EmbeddedIccProfile.h"

#include "platform/linux/converter/colour/JpegIccProfile.h"
#include "platform/linux/converter/colour/PngIccProfile.h"
#include "platform/linux/converter/colour/TiffIccProfile.h"

std::string ReadEmbeddedIccProfile(std::string_view file) {
    // Each reader checks its own signature and gives nothing for a file not of its format.
    for (auto* read : {&ReadJpegIccProfile, &ReadPngIccProfile, &ReadTiffIccProfile}) {
        if (std::string profile = read(file); !profile.empty()) {
            return profile;
        }
    }
    return {};
}
