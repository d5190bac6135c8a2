#include "platform/linux/change/WallpaperBitmap.h"

#include <fcntl.h>
#include <glib.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <vector>

#include "model/CoreError.h"
#include "platform/DiskSync.h"
#include "platform/linux/change/ImageConverterProcess.h"
#include "platform/linux/converter/ImageConverterProtocol.h"

namespace {

using namespace image_converter;

// A unique, already created file next to the bitmap; removed unless it was renamed into place.
class TemporaryFile final {
public:
    explicit TemporaryFile(const std::string& target) {
        std::vector<char> name(target.begin(), target.end());
        for (const char c : std::string(".XXXXXX")) {
            name.push_back(c);
        }
        name.push_back('\0');
        // Unlike mkstemp's 0600, 0666 less the umask: the mode a plain save would give.
        const int descriptor = g_mkstemp_full(name.data(), O_RDWR, 0666);
        if (descriptor >= 0) {
            close(descriptor);
            path.assign(name.data());
        }
    }
    ~TemporaryFile() {
        if (!path.empty()) {
            std::remove(path.c_str());
        }
    }
    TemporaryFile(const TemporaryFile&) = delete;
    TemporaryFile& operator=(const TemporaryFile&) = delete;

    bool IsCreated() const { return !path.empty(); }
    const std::string& Path() const { return path; }
    // The folder is flushed too: after a power loss the name must lead to the new file.
    bool RenameTo(const std::string& target) {
        if (std::rename(path.c_str(), target.c_str()) != 0) {
            return false;
        }
        path.clear();
        const std::string folder = std::filesystem::path(target).parent_path().string();
        SyncToDisk(folder.empty() ? "." : folder);
        return true;
    }

private:
    std::string path;
};

// A converter that crashed or ran out of its limits after decoding failed to save.
[[noreturn]] void FailConversion(const ImageConverterProcess::Result& run) {
    const bool decoded = !run.output.empty() && run.output.front() == kDecodedMarker;
    const bool saveFailed = run.exited && run.exitCode == kCantSave;
    throw CoreError(decoded || saveFailed ? "Can't save image" : "Can't load image");
}

}  // namespace

void WriteWallpaperBitmap(const std::string& imagePath, const std::string& bitmapPath,
                          const std::optional<DrawnPictureRequest>& drawn,
                          const ImageConverterProcess& converter) {
    TemporaryFile temporary(bitmapPath);
    if (!temporary.IsCreated()) {
        throw CoreError("Can't save image");
    }
    std::vector<std::string> arguments{imagePath, temporary.Path()};
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
    if (!temporary.RenameTo(bitmapPath)) {
        throw CoreError("Can't save image");
    }
}
