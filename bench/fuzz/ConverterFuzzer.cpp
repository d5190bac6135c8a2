// libFuzzer target for what the converter process does with an image: decode it, write the
// wallpaper bitmap, scale it for a screen. The first input byte picks the file's extension
// (DevIL chooses its decoder by extension), the rest is the file.

#include <unistd.h>

#include <array>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "platform/linux/converter/BitmapFile.h"
#include "platform/linux/converter/ImageDecoder.h"
#include "platform/linux/converter/RgbImage.h"

namespace {

const std::array<const char*, 8> kExtensions = {"jpg",  "jpeg", "jpe", "png",
                                                "tiff", "tif",  "tga", "bmp"};

// One folder per fuzzing process under $TMPDIR, removed when it ends (not when it crashes).
class WorkFolder final {
public:
    WorkFolder() {
        const char* temporary = std::getenv("TMPDIR");
        std::string pattern =
            std::string(temporary != nullptr ? temporary : "/tmp") + "/vornk-fuzz-XXXXXX";
        if (mkdtemp(pattern.data()) == nullptr) {
            std::abort();
        }
        path = pattern;
    }
    ~WorkFolder() {
        for (const char* extension : kExtensions) {
            std::remove(File(extension).c_str());
        }
        std::remove(File("bmp-out").c_str());
        rmdir(path.c_str());
    }
    WorkFolder(const WorkFolder&) = delete;
    WorkFolder& operator=(const WorkFolder&) = delete;

    std::string File(const std::string& extension) const { return path + "/input." + extension; }

private:
    std::string path;
};

bool WriteInput(const std::string& path, const std::uint8_t* data, std::size_t size) {
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (file == nullptr) {
        return false;
    }
    const bool written = std::fwrite(data, 1, size, file) == size;
    return std::fclose(file) == 0 && written;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const WorkFolder folder;
    if (size < 1) {
        return 0;
    }
    const std::string input = folder.File(kExtensions[data[0] % kExtensions.size()]);
    if (!WriteInput(input, data + 1, size - 1)) {
        std::abort();
    }
    const std::optional<RgbImage> image = DecodeImage(input);
    std::remove(input.c_str());
    if (!image) {
        return 0;
    }
    if (!WriteBitmapFile(*image, folder.File("bmp-out"))) {
        std::abort();
    }
    const RgbImage scaled = ScaleToFill(*image, 64, 48);
    if (scaled.width != 64 || scaled.height != 48) {
        std::abort();
    }
    return 0;
}
