// libFuzzer target for what the converter process does with an image: decode its bytes at a
// reduced size for the screen, decode them in full, write the wallpaper bitmap, scale it for a
// screen. The first input byte picks the file's extension
// (the decoders go by the content, whatever the name says), the rest is the file.

#include <unistd.h>

#include <array>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <new>
#include <optional>
#include <string>
#include <string_view>

#include "platform/linux/converter/BitmapFile.h"
#include "platform/linux/converter/ImageDecoder.h"
#include "platform/linux/converter/RgbImage.h"
#include "platform/linux/converter/colour/ColourProfile.h"
#include "platform/linux/converter/colour/EmbeddedIccProfile.h"
#include "platform/linux/converter/jpeg/JpegDecompression.h"
#include "platform/linux/converter/reduced/ReducedJpeg.h"
#include "platform/linux/converter/reduced/TwoCoreJpegDecoder.h"

namespace {

const std::array<const char*, 13> kExtensions = {"jpg",  "jpeg", "jpe", "png",  "tiff",
                                                 "tif",  "tga",  "bmp", "webp", "avif",
                                                 "heic", "heif", "jxl"};

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
        std::remove(Bitmap().c_str());
        rmdir(path.c_str());
    }
    WorkFolder(const WorkFolder&) = delete;
    WorkFolder& operator=(const WorkFolder&) = delete;

    std::string Bitmap() const { return path + "/output.bmp"; }

private:
    std::string path;
};

void ScaleForScreen(const RgbImage& image) {
    const RgbImage scaled = ScaleToFill(image, 64, 48);
    if (scaled.width != 64 || scaled.height != 48) {
        std::abort();
    }
}

// The two threads' meeting, on inputs far smaller than a photo that would get a second thread; at
// 2/8 with the second thread given most of the data, so that the first takes over its tail.
void DecodeOnTwoCoresWhateverItsSize(std::string_view content) {
    JpegDecompression jpeg(content);
    const std::optional<BaselineScan> scan =
        jpeg.ReadHeader() ? jpeg.SingleBaselineScan() : std::nullopt;
    for (const auto& [eighths, secondHalfShare] : {std::pair{1U, 0.53}, {2U, 0.9}}) {
        std::optional<TwoCoreJpegDecoder> decoder =
            scan ? TwoCoreJpegDecoder::For(content, *scan, eighths, 0, secondHalfShare)
                 : std::nullopt;
        try {
            if (decoder) {
                decoder->Decode();
            }
        } catch (const std::bad_alloc&) {
        }
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const WorkFolder folder;
    if (size < 1) {
        return 0;
    }
    const std::string name = std::string("input.") + kExtensions[data[0] % kExtensions.size()];
    const std::string_view content(reinterpret_cast<const char*>(data) + 1, size - 1);
    // A screen far smaller than the seeds' pictures, so that they decode reduced.
    if (std::optional<RgbImage> reduced = DecodeReducedJpeg(content, ScreenLayout{{4, 3}, {}})) {
        ConvertToSrgb(*reduced, ReadEmbeddedIccProfile(content));
        ScaleForScreen(*reduced);
    }
    DecodeOnTwoCoresWhateverItsSize(content);
    const std::optional<RgbImage> image = DecodeImage(content, name);
    if (!image) {
        return 0;
    }
    if (!WriteBitmapFile(*image, folder.Bitmap())) {
        std::abort();
    }
    ScaleForScreen(*image);
    return 0;
}
