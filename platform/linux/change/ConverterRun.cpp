#include "platform/linux/change/ConverterRun.h"

#include <fcntl.h>
#include <unistd.h>

#include <boost/filesystem/exception.hpp>
#include <boost/filesystem/path.hpp>

#include <algorithm>
#include <cstring>
#include <vector>

#include "model/CoreError.h"
#include "platform/FileReplacement.h"
#include "platform/linux/change/ImageConverterProcess.h"
#include "platform/linux/converter/ImageConverterProtocol.h"

namespace {

using namespace image_converter;

// A file the program opens for the converter, which opens nothing itself; closed however the
// run ends.
class OpenFile final {
public:
    OpenFile(const std::string& path, int flags)
        : descriptor(open(path.c_str(), flags | O_CLOEXEC | O_NOCTTY)) {}
    ~OpenFile() {
        if (descriptor >= 0) {
            close(descriptor);
        }
    }
    OpenFile(const OpenFile&) = delete;
    OpenFile& operator=(const OpenFile&) = delete;

    bool IsOpen() const { return descriptor >= 0; }
    int Descriptor() const { return descriptor; }

private:
    int descriptor;
};

// A converter that crashed or ran out of its limits after decoding failed to save.
[[noreturn]] void FailConversion(const ImageConverterProcess::Result& run) {
    const bool decoded = !run.output.empty() && run.output.back() == kDecodedMarker;
    const bool saveFailed = run.exited && run.exitCode == kCantSave;
    throw CoreError(decoded || saveFailed ? "Can't save image" : "Can't load image");
}

void AppendLayout(const ScreenLayout& layout, std::vector<std::string>& arguments) {
    for (const int number : {layout.size.width, layout.size.height}) {
        arguments.push_back(std::to_string(number));
    }
    const std::size_t monitors = std::min<std::size_t>(layout.monitors.size(), kMostMonitors);
    for (std::size_t index = 0; index < monitors; ++index) {
        const PictureArea& monitor = layout.monitors[index];
        for (const int number : {monitor.x, monitor.y, monitor.width, monitor.height}) {
            arguments.push_back(std::to_string(number));
        }
    }
}

// The converter writes the bitmap into `bitmap`; without one, only the picture.
void Convert(const std::string& imagePath, const OpenFile& image, const OpenFile* bitmap,
             const std::optional<DrawnPictureRequest>& drawn,
             const ImageConverterProcess& converter) {
    std::vector<std::string> arguments;
    std::vector<int> descriptors{image.Descriptor()};
    if (bitmap) {
        descriptors.push_back(bitmap->Descriptor());
    } else {
        arguments.emplace_back(kWithoutBitmap);
    }
    arguments.push_back(boost::filesystem::path(imagePath).filename().string());
    std::size_t expected = 1;  // the marker
    if (drawn) {
        AppendLayout(drawn->layout, arguments);
        expected +=
            static_cast<std::size_t>(drawn->layout.size.width) * drawn->layout.size.height * 3;
    }
    // The picture comes whole, ahead of the marker, and is shown as soon as it is in.
    const std::size_t pictureBytes = expected - 1;
    const auto handOver = [&, handedOver = false](const std::string& output) mutable {
        if (drawn && !handedOver && output.size() >= pictureBytes) {
            handedOver = true;
            RgbImage picture{drawn->layout.size.width, drawn->layout.size.height, {}};
            AllocatePixels(picture);
            std::memcpy(picture.pixels.data(), output.data(), pictureBytes);
            drawn->ready(picture);
        }
    };
    const ImageConverterProcess::Result run =
        converter.Run({arguments, descriptors, expected}, handOver);
    if (!run.exited || run.exitCode != kConverted || run.output.size() != expected) {
        FailConversion(run);
    }
}

}  // namespace

RgbImage ConvertToPicture(const std::string& imagePath, const ScreenLayout& layout,
                          const ImageConverterProcess& converter) {
    const OpenFile image(imagePath, O_RDONLY | O_NONBLOCK);
    if (!image.IsOpen()) {
        throw CoreError("Can't load image");
    }
    RgbImage picture;
    Convert(imagePath, image, nullptr,
            DrawnPictureRequest{layout, [&](const RgbImage& made) { picture = made; }}, converter);
    return picture;
}

void RunConverter(const std::string& imagePath, const std::string& bitmapPath,
                  const std::optional<DrawnPictureRequest>& drawn,
                  const ImageConverterProcess& converter) {
    // Not blocking: a named pipe in place of the image must not hold the change up; the
    // converter takes regular files only.
    const OpenFile image(imagePath, O_RDONLY | O_NONBLOCK);
    if (!image.IsOpen()) {
        throw CoreError("Can't load image");
    }
    try {
        FileReplacement replacement(bitmapPath);
        const OpenFile bitmap(replacement.TemporaryPath().string(), O_WRONLY | O_TRUNC);
        if (!bitmap.IsOpen()) {
            throw CoreError("Can't save image");
        }
        Convert(imagePath, image, &bitmap, drawn, converter);
        replacement.Commit();
    } catch (const boost::filesystem::filesystem_error&) {
        throw CoreError("Can't save image");
    }
}
