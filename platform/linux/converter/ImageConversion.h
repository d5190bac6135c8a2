#pragma once

#include <functional>
#include <optional>
#include <string_view>

#include "platform/linux/converter/RgbImage.h"

// One conversion as the program asks for it (ImageConverterProtocol.h): the arguments, the
// lockdown, the screen's picture from a reduced decoding where the file allows one, then the
// full decoding by whichever decoders the process holds, and the bitmap.
class ImageConversion final {
public:
    // The full decoding; nothing when these decoders cannot take the file.
    using Decoder = std::function<std::optional<RgbImage>(std::string_view content)>;

    // Limits the process's resources, then reads the arguments; nothing, once the usage is
    // printed, when they do not parse.
    static std::optional<ImageConversion> FromArguments(int argc, char** argv);

    // Locks the process down and converts; the exit status. A file `decode` cannot take is
    // handed over (kHandOver...) where `othersMayDecode`, else refused (kCantLoad).
    int Run(const Decoder& decode, bool othersMayDecode) const;

private:
    ImageConversion(bool withoutBitmap, std::optional<ScreenLayout> layout)
        : withoutBitmap(withoutBitmap), layout(std::move(layout)) {}

    bool withoutBitmap;
    std::optional<ScreenLayout> layout;
};
