// The converter process: decodes one untrusted image file and writes the wallpaper bitmap,
// under limits that keep a damaged file from crashing, freezing or bloating the program.
#include <sys/resource.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string>

#include "platform/linux/converter/BitmapFile.h"
#include "platform/linux/converter/ImageConverterProtocol.h"
#include "platform/linux/converter/ImageDecoder.h"
#include "platform/linux/converter/RgbImage.h"

namespace {

using namespace image_converter;

void SetLimit(int resource, rlim_t value) {
    const rlimit limit{value, value};
    setrlimit(resource, &limit);
}

// Set before any input is read. The wall-clock limit is the program's; the CPU limit only
// backs it up should the program be gone.
void LimitResources() {
    SetLimit(RLIMIT_AS, kMemoryLimitBytes);
    SetLimit(RLIMIT_CPU, static_cast<rlim_t>(kTimeLimit.count() * 2));
    SetLimit(RLIMIT_CORE, 0);  // a crash on a damaged file is expected, not worth a core dump
}

std::optional<PictureSize> ParseSize(const char* width, const char* height) {
    const int w = std::atoi(width);
    const int h = std::atoi(height);
    if (w <= 0 || h <= 0 || w > 65535 || h > 65535) {
        return std::nullopt;
    }
    return PictureSize{w, h};
}

bool WriteAll(const void* data, std::size_t size) {
    return std::fwrite(data, 1, size, stdout) == size && std::fflush(stdout) == 0;
}

}  // namespace

int main(int argc, char** argv) {
    LimitResources();
    if (argc != 3 && argc != 5) {
        std::fprintf(stderr, "usage: %s IMAGE BITMAP [WIDTH HEIGHT]\n", kProgramName);
        return kUsage;
    }
    const std::optional<PictureSize> drawnSize =
        argc == 5 ? ParseSize(argv[3], argv[4]) : std::nullopt;
    if (argc == 5 && !drawnSize) {
        return kUsage;
    }
    const std::optional<RgbImage> image = DecodeImage(argv[1]);
    if (!image) {
        return kCantLoad;
    }
    WriteAll(&kDecodedMarker, 1);

    // The screen's picture goes out first (the program shows it then, and takes it back should
    // the bitmap fail), scaled on every core: until then the screen shows nothing new.
    if (drawnSize) {
        const RgbImage drawn = ScaleToFill(*image, drawnSize->width, drawnSize->height);
        WriteAll(drawn.pixels.data(), drawn.pixels.size());
    }
    if (!WriteBitmapFile(*image, argv[2])) {
        return kCantSave;
    }
    return kConverted;
}
