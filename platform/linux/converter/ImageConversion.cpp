#include "platform/linux/converter/ImageConversion.h"

#include <sys/mman.h>
#include <sys/resource.h>
#include <sys/stat.h>

#include <cstdio>
#include <cstdlib>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/linux/converter/BitmapFile.h"
#include "platform/linux/converter/ImageConverterProtocol.h"
#include "platform/linux/converter/Sandbox.h"
#include "platform/linux/converter/TruncationCheck.h"
#include "platform/linux/converter/colour/ColourProfile.h"
#include "platform/linux/converter/colour/EmbeddedIccProfile.h"
#include "platform/linux/converter/reduced/ReducedJpeg.h"

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

// Mapped, not read: a large photo is not held twice. The mapping lasts as long as the process.
std::string_view MapImage() {
    struct stat status {};
    if (fstat(kImageDescriptor, &status) != 0 || !S_ISREG(status.st_mode) || status.st_size <= 0) {
        return {};
    }
    const auto size = static_cast<std::size_t>(status.st_size);
    void* bytes = mmap(nullptr, size, PROT_READ, MAP_PRIVATE, kImageDescriptor, 0);
    return bytes == MAP_FAILED ? std::string_view()
                               : std::string_view(static_cast<char*>(bytes), size);
}

std::optional<int> ParseNumber(const char* text, int least) {
    const int number = std::atoi(text);
    return number >= least && number <= 65535 ? std::optional<int>(number) : std::nullopt;
}

// WIDTH HEIGHT [X Y WIDTH HEIGHT]...: the screen and its monitors. Nothing when they do not
// parse or a monitor has no pixels.
std::optional<ScreenLayout> ParseLayout(int count, char** numbers) {
    if (count < 2 || count % 4 != 2 || count > 2 + 4 * kMostMonitors) {
        return std::nullopt;
    }
    std::vector<int> values;
    for (int index = 0; index < count; ++index) {
        const bool isOffset = index >= 2 && (index - 2) % 4 < 2;
        const std::optional<int> value = ParseNumber(numbers[index], isOffset ? 0 : 1);
        if (!value) {
            return std::nullopt;
        }
        values.push_back(*value);
    }
    ScreenLayout layout{{values[0], values[1]}, {}};
    for (std::size_t at = 2; at < values.size(); at += 4) {
        layout.monitors.push_back({values[at], values[at + 1], values[at + 2], values[at + 3]});
    }
    return layout;
}

bool WriteAll(const void* data, std::size_t size) {
    return std::fwrite(data, 1, size, stdout) == size && std::fflush(stdout) == 0;
}

// The screen's picture goes out before the bitmap is written (the program shows it then, and
// takes it back should the conversion fail): until then the screen shows nothing new.
void SendScreenPicture(const RgbImage& picture) {
    WriteAll(picture.pixels.data(), picture.pixels.size());
}

// Only for files the full decoding's first check lets through: a JPEG cut short is refused at
// once, never shown grey-filled.
bool SendReducedScreenPicture(std::string_view content, const ScreenLayout& layout) {
    if (IsTruncated(content)) {
        return false;
    }
    std::optional<RgbImage> reduced = DecodeReducedJpeg(content, layout);
    if (!reduced) {
        return false;
    }
    // Through the same profile as the full decoding: the screen shows the bitmap's colours.
    ConvertToSrgb(*reduced, ReadEmbeddedIccProfile(content));
    SendScreenPicture(FillMonitors(*reduced, layout));
    return true;
}

int NotDecoded(bool screenPictureSent, bool othersMayDecode) {
    if (!othersMayDecode) {
        return kCantLoad;
    }
    return screenPictureSent ? kHandOverAfterScreenPicture : kHandOver;
}

}  // namespace

std::optional<ImageConversion> ImageConversion::FromArguments(int argc, char** argv) {
    LimitResources();
    const bool withoutBitmap = argc > 1 && std::string_view(argv[1]) == kWithoutBitmap;
    if (withoutBitmap) {
        --argc;
        ++argv;
    }
    std::optional<ScreenLayout> layout = argc > 2 ? ParseLayout(argc - 2, argv + 2) : std::nullopt;
    if (argc < 2 || (argc > 2 && !layout) || (withoutBitmap && !layout)) {
        std::fprintf(stderr,
                     "usage: %s NAME [WIDTH HEIGHT [X Y WIDTH HEIGHT]...] 3<IMAGE 4>BITMAP\n"
                     "       %s %s NAME WIDTH HEIGHT [X Y WIDTH HEIGHT]... 3<IMAGE\n",
                     kProgramName, kProgramName, kWithoutBitmap);
        return std::nullopt;
    }
    return ImageConversion(withoutBitmap, std::move(layout));
}

int ImageConversion::Run(const Decoder& decode, bool othersMayDecode) const {
    if (!LockDown(withoutBitmap ? kImageDescriptor : kBitmapDescriptor)) {
        return kCantLoad;
    }
    const std::string_view content = MapImage();
    // From a reduced decoding where the file allows one: the screen shows the picture long
    // before the full one is decoded.
    const bool screenPictureSent = layout && SendReducedScreenPicture(content, *layout);
    if (screenPictureSent && withoutBitmap) {
        WriteAll(&kDecodedMarker, 1);
        return kConverted;
    }
    const std::optional<RgbImage> image = decode(content);
    if (!image) {
        return NotDecoded(screenPictureSent, othersMayDecode);
    }
    if (layout && !screenPictureSent) {
        SendScreenPicture(FillMonitors(*image, *layout));
    }
    WriteAll(&kDecodedMarker, 1);
    if (!withoutBitmap && !WriteBitmapFile(*image, kBitmapDescriptor)) {
        return kCantSave;
    }
    return kConverted;
}
