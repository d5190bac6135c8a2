#include "platform/linux/converter/isobmff/AvifDecoder.h"

#include <avif/avif.h>
#include <sys/mman.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <string_view>
#include <thread>
#include <utility>
#include <vector>

#include "platform/linux/converter/colour/CodePointColourConverter.h"
#include "platform/linux/converter/isobmff/PictureOrientation.h"
#include "platform/linux/converter/isobmff/PixelLimit.h"

namespace {

struct DecoderDestroyer {
    void operator()(avifDecoder* decoder) const { avifDecoderDestroy(decoder); }
};
using Decoder = std::unique_ptr<avifDecoder, DecoderDestroyer>;

struct ImageDestroyer {
    void operator()(avifImage* image) const { avifImageDestroy(image); }
};
using Image = std::unique_ptr<avifImage, ImageDestroyer>;

// A strip of rows is converted at a time, so that the decoded picture's memory goes as the
// converted picture's comes (see ReleaseRowsAbove).
constexpr std::uint32_t kStripRows = 64;
// Chroma upsampling reads the neighbouring chroma row: each strip is converted with this many
// rows more on either side, so that its edges come out as in a whole conversion.
constexpr std::uint32_t kStripMargin = 2;

// The picture's rows [first, first + count) converted to RGB of `depth` bits into `buffer`;
// the first of them, or nothing where libavif refuses.
const std::uint8_t* ConvertStrip(const avifImage* image, std::uint32_t first, std::uint32_t count,
                                 std::uint32_t depth, std::vector<std::uint8_t>& buffer) {
    const std::uint32_t top = first >= kStripMargin ? first - kStripMargin : 0;
    const std::uint32_t bottom = std::min(image->height, first + count + kStripMargin);
    const avifCropRect rows{0, top, image->width, bottom - top};
    const Image view(avifImageCreateEmpty());
    if (!view || avifImageSetViewRect(view.get(), image, &rows) != AVIF_RESULT_OK) {
        return nullptr;
    }
    avifRGBImage rgb{};
    avifRGBImageSetDefaults(&rgb, view.get());
    rgb.format = AVIF_RGB_FORMAT_RGB;
    rgb.depth = depth;
    rgb.rowBytes = image->width * 3 * (depth > 8 ? 2 : 1);
    buffer.resize(std::size_t(rgb.rowBytes) * rows.height);
    rgb.pixels = buffer.data();
    if (avifImageYUVToRGB(view.get(), &rgb) != AVIF_RESULT_OK) {
        return nullptr;
    }
    return buffer.data() + std::size_t(first - top) * rgb.rowBytes;
}

// The decoded rows above `row` are never read again: their pages go back to the system at
// once, so that a large photo is not held both decoded and converted. Only whole pages within
// each plane's rows are given back; the decoder frees the planes as usual afterwards.
void ReleaseRowsAbove(const avifImage* image, std::uint32_t row) {
    avifPixelFormatInfo format{};
    avifGetPixelFormatInfo(image->yuvFormat, &format);
    const auto page = static_cast<std::uintptr_t>(sysconf(_SC_PAGESIZE));
    for (int plane = AVIF_CHAN_Y; plane <= AVIF_CHAN_V; ++plane) {
        if (image->yuvPlanes[plane] == nullptr) {
            continue;
        }
        const std::uint32_t rows = plane == AVIF_CHAN_Y ? row : row >> format.chromaShiftY;
        const auto start = reinterpret_cast<std::uintptr_t>(image->yuvPlanes[plane]);
        const std::uintptr_t begin = (start + page - 1) / page * page;
        const std::uintptr_t end =
            (start + std::uintptr_t(rows) * image->yuvRowBytes[plane]) / page * page;
        if (end > begin) {
            madvise(reinterpret_cast<void*>(begin), end - begin, MADV_DONTNEED);
        }
    }
}

// Converted a strip at a time onto the end of our picture, whose memory is reserved but
// touched only as it fills: the picture is never held whole both decoded and converted. Deep
// pictures are converted to 16-bit RGB, so that their colour is converted before they are
// reduced to 8 bits.
std::optional<RgbImage> ConvertInStrips(const avifImage* image,
                                        const CodePointColourConverter& converter) {
    const bool deep = image->depth > 8;
    const int width = static_cast<int>(image->width);
    const std::size_t rowBytes = std::size_t(width) * 3;
    RgbImage pixels{width, static_cast<int>(image->height), {}};
    pixels.pixels.reserve(rowBytes * image->height);
    std::vector<std::uint8_t> buffer;
    for (std::uint32_t first = 0; first < image->height; first += kStripRows) {
        const std::uint32_t count = std::min(kStripRows, image->height - first);
        const std::uint8_t* strip = ConvertStrip(image, first, count, deep ? 16 : 8, buffer);
        if (strip == nullptr) {
            return std::nullopt;
        }
        const std::size_t filled = pixels.pixels.size();
        pixels.pixels.resize(filled + rowBytes * count);
        if (deep) {
            converter.ConvertDeepRows(strip, rowBytes * 2, width, static_cast<int>(count),
                                      (1 << 16) - 1, pixels.pixels.data() + filled);
        } else {
            std::memcpy(pixels.pixels.data() + filled, strip, rowBytes * count);
        }
        const std::uint32_t done = first + count;
        ReleaseRowsAbove(image, done < image->height ? done - kStripMargin : done);
    }
    if (!deep) {
        converter.ConvertInPlace(pixels);
    }
    return pixels;
}

// Photos from phones often lack the pixel-information property that strict reading demands;
// the other strict checks stay.
constexpr avifStrictFlags kStrictness = AVIF_STRICT_CLAP_VALID | AVIF_STRICT_ALPHA_ISPE_REQUIRED;

Decoder DecoderFor(std::string_view content) {
    Decoder decoder(avifDecoderCreate());
    if (!decoder) {
        return nullptr;
    }
    decoder->maxThreads = static_cast<int>(std::max(1U, std::thread::hardware_concurrency()));
    decoder->imageSizeLimit = static_cast<std::uint32_t>(kMaxDecodedPixels);
    decoder->strictFlags = kStrictness;
    decoder->ignoreExif = AVIF_TRUE;
    decoder->ignoreXMP = AVIF_TRUE;
    if (avifDecoderSetIOMemory(decoder.get(), reinterpret_cast<const std::uint8_t*>(content.data()),
                               content.size()) != AVIF_RESULT_OK) {
        return nullptr;
    }
    return decoder;
}

PictureOrientation OrientationOf(const avifImage* image) {
    PictureOrientation orientation;
    if ((image->transformFlags & AVIF_TRANSFORM_IROT) != 0) {
        orientation.anticlockwiseQuarterTurns = image->irot.angle;
    }
    if ((image->transformFlags & AVIF_TRANSFORM_IMIR) != 0) {
        orientation.mirror = image->imir.mode == 0 ? PictureOrientation::Mirror::TopAndBottom
                                                   : PictureOrientation::Mirror::LeftAndRight;
    }
    return orientation;
}

CicpColour CodedColour(const avifImage* image) {
    return CicpColour{image->colorPrimaries, image->transferCharacteristics};
}

}  // namespace

std::optional<RgbImage> DecodeAvif(std::string_view content) {
    Decoder decoder = DecoderFor(content);
    if (!decoder || avifDecoderParse(decoder.get()) != AVIF_RESULT_OK ||
        !FitsPixelLimit(decoder->image->width, decoder->image->height) ||
        avifDecoderNextImage(decoder.get()) != AVIF_RESULT_OK) {
        return std::nullopt;
    }
    const avifImage* image = decoder->image;
    const std::string_view icc(reinterpret_cast<const char*>(image->icc.data), image->icc.size);
    const CodePointColourConverter converter(icc, CodedColour(image));
    const PictureOrientation orientation = OrientationOf(image);
    std::optional<RgbImage> pixels = ConvertInStrips(image, converter);
    decoder.reset();
    if (!pixels) {
        return std::nullopt;
    }
    return Oriented(std::move(*pixels), orientation);
}
