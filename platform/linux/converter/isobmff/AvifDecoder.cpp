#include "platform/linux/converter/isobmff/AvifDecoder.h"

#include <avif/avif.h>

#include <algorithm>
#include <memory>
#include <string_view>
#include <thread>
#include <utility>

#include "platform/linux/converter/colour/CodePointColourConverter.h"
#include "platform/linux/converter/isobmff/PictureOrientation.h"
#include "platform/linux/converter/isobmff/PixelLimit.h"

namespace {

struct DecoderDestroyer {
    void operator()(avifDecoder* decoder) const { avifDecoderDestroy(decoder); }
};
using Decoder = std::unique_ptr<avifDecoder, DecoderDestroyer>;

avifRGBImage RgbFormat(const avifImage* image, std::uint32_t depth) {
    avifRGBImage rgb{};
    avifRGBImageSetDefaults(&rgb, image);
    rgb.format = AVIF_RGB_FORMAT_RGB;
    rgb.depth = depth;
    return rgb;
}

// Converted by libavif straight into our picture: no second copy of a large photo.
std::optional<RgbImage> EightBitPixels(const avifImage* image) {
    RgbImage pixels{static_cast<int>(image->width), static_cast<int>(image->height), {}};
    pixels.pixels.resize(std::size_t(image->width) * image->height * 3);
    avifRGBImage rgb = RgbFormat(image, 8);
    rgb.pixels = pixels.pixels.data();
    rgb.rowBytes = image->width * 3;
    if (avifImageYUVToRGB(image, &rgb) != AVIF_RESULT_OK) {
        return std::nullopt;
    }
    return pixels;
}

struct RgbFreer {
    void operator()(avifRGBImage* rgb) const { avifRGBImageFreePixels(rgb); }
};

// Deep pictures are converted to 16-bit RGB, so that their colour is converted before they are
// reduced to 8 bits.
std::optional<RgbImage> DeepPixels(const avifImage* image,
                                   const CodePointColourConverter& converter) {
    constexpr std::uint32_t kDepth = 16;
    avifRGBImage rgb = RgbFormat(image, kDepth);
    avifRGBImageAllocatePixels(&rgb);
    const std::unique_ptr<avifRGBImage, RgbFreer> owned(&rgb);
    if (rgb.pixels == nullptr || avifImageYUVToRGB(image, &rgb) != AVIF_RESULT_OK) {
        return std::nullopt;
    }
    return converter.ConvertDeep(rgb.pixels, rgb.rowBytes, static_cast<int>(rgb.width),
                                 static_cast<int>(rgb.height), (1 << kDepth) - 1);
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
    const bool deep = image->depth > 8;
    std::optional<RgbImage> pixels = deep ? DeepPixels(image, converter) : EightBitPixels(image);
    // The codec's frames go before the picture is converted and turned.
    decoder.reset();
    if (!pixels) {
        return std::nullopt;
    }
    if (!deep) {
        converter.ConvertInPlace(*pixels);
    }
    return Oriented(std::move(*pixels), orientation);
}
