// The converter's second stage, with every decoder: started by the first one
// (ImageConverterMain.cpp) in its place for any file that libjpeg alone does not take.
#include <QBuffer>
#include <QImageReader>

#include <optional>
#include <string>
#include <string_view>

#include "platform/linux/converter/ImageConversion.h"
#include "platform/linux/converter/ImageConverterProtocol.h"
#include "platform/linux/converter/ImageDecoder.h"

namespace {

// Qt opens its image format plugins on first use, which the lockdown no longer allows. Asked
// for here: those of the formats the Qt decoder takes that Qt does not build in. Without
// detection by content Qt loads only the plugin named, not every one it has; asking an empty
// device reads nothing.
void LoadImagePlugins() {
    for (const char* format : {"jpeg", "tiff", "tga"}) {
        QBuffer nothing;
        nothing.open(QIODevice::ReadOnly);
        QImageReader reader(&nothing, format);
        reader.setAutoDetectImageFormat(false);
        reader.supportsOption(QImageIOHandler::Size);
    }
}

std::optional<RgbImage> DecodeAnyFormat(std::string_view content) {
    return DecodeImage(content, std::string());
}

}  // namespace

int main(int argc, char** argv) {
    const std::optional<ImageConversion> conversion = ImageConversion::FromArguments(argc, argv);
    if (!conversion) {
        return image_converter::kUsage;
    }
    LoadImagePlugins();
    return conversion->Run(DecodeAnyFormat, false);
}
