#include "platform/linux/converter/formats/WebpDecoder.h"

#include <webp/decode.h>
#include <webp/demux.h>

#include <cstdint>
#include <cstring>
#include <memory>
#include <utility>

#include "platform/linux/converter/colour/ColourProfile.h"
#include "platform/linux/converter/formats/DecodeBudget.h"
#include "platform/linux/converter/formats/ExifOrientation.h"

namespace {

// A lossless picture is decoded whole into four bytes a pixel before it becomes our three.
constexpr unsigned kStillBytesPerPixel = 4 + 3;
// The animation decoder keeps the shown canvas and the one before, four bytes a pixel each, and
// decodes a lossless frame into four more.
constexpr unsigned kAnimationBytesPerPixel = 4 + 4 + 4 + 3;
constexpr unsigned kRgbaBytes = 4;

struct DemuxDeleter {
    void operator()(WebPDemuxer* demuxer) const { WebPDemuxDelete(demuxer); }
};
struct AnimationDecoderDeleter {
    void operator()(WebPAnimDecoder* decoder) const { WebPAnimDecoderDelete(decoder); }
};

RgbImage EmptyPicture(std::uint32_t width, std::uint32_t height) {
    RgbImage image{static_cast<int>(width), static_cast<int>(height), {}};
    image.pixels.resize(std::size_t(width) * height * 3);
    return image;
}

// Decoded straight into our pixels: no four-byte copy for a lossy picture.
std::optional<RgbImage> DecodeStill(const WebPData& data, std::uint32_t width,
                                    std::uint32_t height) {
    WebPDecoderConfig config;
    if (!WebPInitDecoderConfig(&config) ||
        WebPGetFeatures(data.bytes, data.size, &config.input) != VP8_STATUS_OK ||
        config.input.width != static_cast<int>(width) ||
        config.input.height != static_cast<int>(height)) {
        return std::nullopt;
    }
    RgbImage image = EmptyPicture(width, height);
    config.output.colorspace = MODE_RGB;
    config.output.is_external_memory = 1;
    config.output.u.RGBA.rgba = image.pixels.data();
    config.output.u.RGBA.stride = static_cast<int>(width) * 3;
    config.output.u.RGBA.size = image.pixels.size();
    const bool decoded = WebPDecode(data.bytes, data.size, &config) == VP8_STATUS_OK;
    WebPFreeDecBuffer(&config.output);
    return decoded ? std::optional<RgbImage>(std::move(image)) : std::nullopt;
}

// The first frame drawn on the canvas, as a viewer shows it before the animation moves on.
std::optional<RgbImage> DecodeFirstFrame(const WebPData& data, std::uint32_t width,
                                         std::uint32_t height) {
    WebPAnimDecoderOptions options;
    if (!WebPAnimDecoderOptionsInit(&options)) {
        return std::nullopt;
    }
    options.color_mode = MODE_RGBA;
    options.use_threads = 0;
    const std::unique_ptr<WebPAnimDecoder, AnimationDecoderDeleter> decoder(
        WebPAnimDecoderNew(&data, &options));
    std::uint8_t* canvas = nullptr;
    int timestamp = 0;
    if (!decoder || !WebPAnimDecoderGetNext(decoder.get(), &canvas, &timestamp)) {
        return std::nullopt;
    }
    RgbImage image = EmptyPicture(width, height);
    const std::size_t pixels = std::size_t(width) * height;
    for (std::size_t i = 0; i < pixels; ++i) {
        std::memcpy(image.pixels.data() + i * 3, canvas + i * kRgbaBytes, 3);
    }
    return image;
}

std::string_view Chunk(WebPDemuxer* demuxer, const char* fourCc) {
    WebPChunkIterator chunk;
    if (!WebPDemuxGetChunk(demuxer, fourCc, 1, &chunk)) {
        return {};
    }
    const std::string_view bytes(reinterpret_cast<const char*>(chunk.chunk.bytes),
                                 chunk.chunk.size);
    WebPDemuxReleaseChunkIterator(&chunk);
    return bytes;
}

}  // namespace

std::optional<WebpPicture> DecodeWebp(std::string_view content) {
    const WebPData data{reinterpret_cast<const std::uint8_t*>(content.data()), content.size()};
    // Refuses a file shorter than its RIFF header announces.
    const std::unique_ptr<WebPDemuxer, DemuxDeleter> demuxer(WebPDemux(&data));
    if (!demuxer) {
        return std::nullopt;
    }
    const std::uint32_t width = WebPDemuxGetI(demuxer.get(), WEBP_FF_CANVAS_WIDTH);
    const std::uint32_t height = WebPDemuxGetI(demuxer.get(), WEBP_FF_CANVAS_HEIGHT);
    const std::uint32_t flags = WebPDemuxGetI(demuxer.get(), WEBP_FF_FORMAT_FLAGS);
    const bool animated = (flags & ANIMATION_FLAG) != 0;
    if (!FitsDecodeBudget(width, height, animated ? kAnimationBytesPerPixel : kStillBytesPerPixel,
                          kRgbaBytes)) {
        return std::nullopt;
    }
    std::optional<RgbImage> image =
        animated ? DecodeFirstFrame(data, width, height) : DecodeStill(data, width, height);
    if (!image) {
        return std::nullopt;
    }
    // The chunks point into the file's bytes, which outlive the demuxer.
    ConvertToSrgb(*image, Chunk(demuxer.get(), "ICCP"));
    return WebpPicture{std::move(*image), ExifOrientation(Chunk(demuxer.get(), "EXIF"))};
}
