#include "platform/linux/converter/formats/JpegXlDecoder.h"

#include <jxl/decode.h>
#include <jxl/decode_cxx.h>
#include <jxl/encode.h>
#include <jxl/thread_parallel_runner.h>
#include <jxl/thread_parallel_runner_cxx.h>

#include <cstdint>
#include <string>
#include <utility>

#include "platform/linux/converter/colour/ColourProfile.h"
#include "platform/linux/converter/formats/DecodeBudget.h"

namespace {

// libjxl renders group by group into our three bytes a pixel; what it holds besides comes to
// about six bytes a pixel for a lossless picture and two for a lossy one
// (bench/jpeg-xl-conversion.sh), eight leaves room. Our picture is the largest single copy.
constexpr unsigned kBytesPerPixel = 3 + 8;
constexpr unsigned kLargestCopy = 3;

constexpr JxlPixelFormat kRgb8{3, JXL_TYPE_UINT8, JXL_NATIVE_ENDIAN, 0};

bool IsSrgb(const JxlColorEncoding& encoding) {
    return encoding.white_point == JXL_WHITE_POINT_D65 &&
           encoding.transfer_function == JXL_TRANSFER_FUNCTION_SRGB &&
           (encoding.color_space == JXL_COLOR_SPACE_GRAY ||
            (encoding.color_space == JXL_COLOR_SPACE_RGB &&
             encoding.primaries == JXL_PRIMARIES_SRGB));
}

// libjxl renders a lossy (XYB) picture in whatever space is asked for, in floating point, so
// without banding; a lossless one comes in its own space, and its ICC profile is returned for
// Little CMS to convert. Empty when the pixels come in sRGB already.
std::string ProfileToConvert(JxlDecoder* decoder, const JxlBasicInfo& info) {
    if (!info.uses_original_profile) {
        JxlColorEncoding srgb;
        JxlColorEncodingSetToSRGB(&srgb, info.num_color_channels == 1 ? JXL_TRUE : JXL_FALSE);
        JxlDecoderSetPreferredColorProfile(decoder, &srgb);
    }
    JxlColorEncoding encoding;
    if (JxlDecoderGetColorAsEncodedProfile(decoder, &kRgb8, JXL_COLOR_PROFILE_TARGET_DATA,
                                           &encoding) == JXL_DEC_SUCCESS &&
        IsSrgb(encoding)) {
        return {};
    }
    std::size_t size = 0;
    if (JxlDecoderGetICCProfileSize(decoder, &kRgb8, JXL_COLOR_PROFILE_TARGET_DATA, &size) !=
        JXL_DEC_SUCCESS) {
        return {};
    }
    std::string profile(size, '\0');
    if (JxlDecoderGetColorAsICCProfile(decoder, &kRgb8, JXL_COLOR_PROFILE_TARGET_DATA,
                                       reinterpret_cast<std::uint8_t*>(profile.data()),
                                       size) != JXL_DEC_SUCCESS) {
        return {};
    }
    return profile;
}

// libjxl 0.7 hands out a CMYK picture's first three channels as if they were RGB, without the
// black: such pictures are refused rather than shown in wrong colours.
bool HasBlackChannel(JxlDecoder* decoder, const JxlBasicInfo& info) {
    for (std::uint32_t index = 0; index < info.num_extra_channels; ++index) {
        JxlExtraChannelInfo channel;
        if (JxlDecoderGetExtraChannelInfo(decoder, index, &channel) != JXL_DEC_SUCCESS ||
            channel.type == JXL_CHANNEL_BLACK) {
            return true;
        }
    }
    return false;
}

// The size the picture has once turned upright: orientations 5 to 8 swap the sides.
RgbImage UprightPicture(const JxlBasicInfo& info) {
    const bool swapped = info.orientation >= JXL_ORIENT_TRANSPOSE;
    const std::uint32_t width = swapped ? info.ysize : info.xsize;
    const std::uint32_t height = swapped ? info.xsize : info.ysize;
    return RgbImage{static_cast<int>(width), static_cast<int>(height), {}};
}

bool SetOutput(JxlDecoder* decoder, RgbImage& image) {
    std::size_t size = 0;
    const std::size_t expected = std::size_t(image.width) * std::size_t(image.height) * 3;
    if (JxlDecoderImageOutBufferSize(decoder, &kRgb8, &size) != JXL_DEC_SUCCESS ||
        size != expected) {
        return false;
    }
    image.pixels.resize(size);
    return JxlDecoderSetImageOutBuffer(decoder, &kRgb8, image.pixels.data(), size) ==
           JXL_DEC_SUCCESS;
}

// The picture is taken at the first full frame: with coalescing on (the default), that is the
// first frame as shown, animation or layers composited.
std::optional<RgbImage> Decode(JxlDecoder* decoder) {
    JxlBasicInfo info{};
    RgbImage image;
    std::string profile;
    for (;;) {
        switch (JxlDecoderProcessInput(decoder)) {
            case JXL_DEC_BASIC_INFO:
                if (JxlDecoderGetBasicInfo(decoder, &info) != JXL_DEC_SUCCESS ||
                    !FitsDecodeBudget(info.xsize, info.ysize, kBytesPerPixel, kLargestCopy) ||
                    HasBlackChannel(decoder, info)) {
                    return std::nullopt;
                }
                image = UprightPicture(info);
                break;
            case JXL_DEC_COLOR_ENCODING:
                profile = ProfileToConvert(decoder, info);
                break;
            case JXL_DEC_NEED_IMAGE_OUT_BUFFER:
                if (!SetOutput(decoder, image)) {
                    return std::nullopt;
                }
                break;
            case JXL_DEC_FULL_IMAGE:
                ConvertToSrgb(image, profile);
                return image;
            default:
                // An error, a file cut short (all of it was given), or the end without a frame.
                return std::nullopt;
        }
    }
}

}  // namespace

std::optional<RgbImage> DecodeJpegXl(std::string_view content) {
    const JxlDecoderPtr decoder = JxlDecoderMake(nullptr);
    const JxlThreadParallelRunnerPtr runner =
        JxlThreadParallelRunnerMake(nullptr, JxlThreadParallelRunnerDefaultNumWorkerThreads());
    const auto* bytes = reinterpret_cast<const std::uint8_t*>(content.data());
    if (!decoder || !runner ||
        JxlDecoderSetParallelRunner(decoder.get(), JxlThreadParallelRunner, runner.get()) !=
            JXL_DEC_SUCCESS ||
        JxlDecoderSubscribeEvents(decoder.get(), JXL_DEC_BASIC_INFO | JXL_DEC_COLOR_ENCODING |
                                                     JXL_DEC_FULL_IMAGE) != JXL_DEC_SUCCESS ||
        JxlDecoderSetKeepOrientation(decoder.get(), JXL_FALSE) != JXL_DEC_SUCCESS ||
        JxlDecoderSetInput(decoder.get(), bytes, content.size()) != JXL_DEC_SUCCESS) {
        return std::nullopt;
    }
    JxlDecoderCloseInput(decoder.get());
    return Decode(decoder.get());
}
