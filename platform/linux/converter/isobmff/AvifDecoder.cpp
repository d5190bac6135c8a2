#include "platform/linux/converter/isobmff/AvifDecoder.h"

#include <avif/avif.h>

#include <algorithm>
#include <memory>
#include <string_view>
#include <thread>
#include <utility>

#include "platform/linux/converter/colour/SrgbConverter.h"
#include "platform/linux/converter/isobmff/PictureOrientation.h"
#include "platform/linux/converter/isobmff/PixelLimit.h"

namespace {

struct DecoderDestroyer {
    void operator()(avifDecoder* decoder) const { avifDecoderDestroy(decoder); }
};
using Decoder = std::unique_ptr<avifDecoder, DecoderDestroyer>;

// libavif's RGB copy, freed with the object.
class RgbPixels final {
public:
    explicit RgbPixels(const avifImage* image) {
        avifRGBImageSetDefaults(&rgb, image);
        rgb.format = AVIF_RGB_FORMAT_RGB;
        rgb.depth = image->depth > 8 ? 16 : 8;
    }
    ~RgbPixels() { avifRGBImageFreePixels(&rgb); }
    RgbPixels(const RgbPixels&) = delete;
    RgbPixels& operator=(const RgbPixels&) = delete;

    bool ConvertFrom(const avifImage* image) {
        avifRGBImageAllocatePixels(&rgb);
        return rgb.pixels != nullptr && avifImageYUVToRGB(image, &rgb) == AVIF_RESULT_OK;
    }
    // Deep pictures are converted to 16-bit RGB, so that their colour is converted before they
    // are reduced to 8 bits.
    RgbImage ToSrgb(const SrgbConverter& converter) const {
        const auto width = static_cast<int>(rgb.width);
        const auto height = static_cast<int>(rgb.height);
        return rgb.depth > 8 ? converter.ConvertDeep(rgb.pixels, rgb.rowBytes, width, height,
                                                     (1 << rgb.depth) - 1)
                             : converter.Convert(rgb.pixels, rgb.rowBytes, width, height);
    }

private:
    avifRGBImage rgb{};
};

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
    const Decoder decoder = DecoderFor(content);
    if (!decoder || avifDecoderParse(decoder.get()) != AVIF_RESULT_OK ||
        !FitsPixelLimit(decoder->image->width, decoder->image->height) ||
        avifDecoderNextImage(decoder.get()) != AVIF_RESULT_OK) {
        return std::nullopt;
    }
    const avifImage* image = decoder->image;
    RgbPixels rgb(image);
    if (!rgb.ConvertFrom(image)) {
        return std::nullopt;
    }
    const std::string_view icc(reinterpret_cast<const char*>(image->icc.data), image->icc.size);
    RgbImage pixels = rgb.ToSrgb(SrgbConverter(icc, CodedColour(image)));
    return Oriented(std::move(pixels), OrientationOf(image));
}
