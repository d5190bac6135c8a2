#include "platform/linux/change/ConverterRun.h"

#include <boost/filesystem/exception.hpp>

#include <vector>

#include "model/CoreError.h"
#include "platform/FileReplacement.h"
#include "platform/linux/change/ImageConverterProcess.h"
#include "platform/linux/converter/ImageConverterProtocol.h"

namespace {

using namespace image_converter;

// A converter that crashed or ran out of its limits after decoding failed to save.
[[noreturn]] void FailConversion(const ImageConverterProcess::Result& run) {
    const bool decoded = !run.output.empty() && run.output.front() == kDecodedMarker;
    const bool saveFailed = run.exited && run.exitCode == kCantSave;
    throw CoreError(decoded || saveFailed ? "Can't save image" : "Can't load image");
}

// The converter writes the bitmap at `bitmapPath` itself.
void Convert(const std::string& imagePath, const std::string& bitmapPath,
             const std::optional<DrawnPictureRequest>& drawn,
             const ImageConverterProcess& converter) {
    std::vector<std::string> arguments{imagePath, bitmapPath};
    std::size_t expected = 1;  // the marker
    if (drawn) {
        arguments.push_back(std::to_string(drawn->size.width));
        arguments.push_back(std::to_string(drawn->size.height));
        expected += static_cast<std::size_t>(drawn->size.width) * drawn->size.height * 3;
    }
    const auto handOver = [&](const std::string& output) {
        if (drawn && output.size() == expected) {
            RgbImage picture{drawn->size.width, drawn->size.height, {}};
            picture.pixels.assign(output.begin() + 1, output.end());
            drawn->ready(picture);
        }
    };
    const ImageConverterProcess::Result run = converter.Run(arguments, handOver);
    if (!run.exited || run.exitCode != kConverted || run.output.size() != expected) {
        FailConversion(run);
    }
}

}  // namespace

void RunConverter(const std::string& imagePath, const std::string& bitmapPath,
                  const std::optional<DrawnPictureRequest>& drawn,
                  const ImageConverterProcess& converter) {
    try {
        FileReplacement bitmap(bitmapPath);
        Convert(imagePath, bitmap.TemporaryPath().string(), drawn, converter);
        bitmap.Commit();
    } catch (const boost::filesystem::filesystem_error&) {
        throw CoreError("Can't save image");
    }
}
