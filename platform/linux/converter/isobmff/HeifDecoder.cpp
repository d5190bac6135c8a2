#include "platform/linux/converter/isobmff/HeifDecoder.h"

#include <libheif/heif.h>

#include <memory>
#include <string>
#include <utility>

#include "platform/linux/converter/colour/CodePointColourConverter.h"
#include "platform/linux/converter/isobmff/PixelLimit.h"
#include "platform/linux/converter/isobmff/PrimaryItemOrientation.h"

namespace {

struct ContextFreer {
    void operator()(heif_context* context) const { heif_context_free(context); }
};
struct HandleReleaser {
    void operator()(heif_image_handle* handle) const { heif_image_handle_release(handle); }
};
struct ImageReleaser {
    void operator()(heif_image* image) const { heif_image_release(image); }
};
struct OptionsFreer {
    void operator()(heif_decoding_options* options) const { heif_decoding_options_free(options); }
};
struct NclxFreer {
    void operator()(heif_color_profile_nclx* nclx) const { heif_nclx_color_profile_free(nclx); }
};
using Context = std::unique_ptr<heif_context, ContextFreer>;
using Handle = std::unique_ptr<heif_image_handle, HandleReleaser>;
using Image = std::unique_ptr<heif_image, ImageReleaser>;

constexpr int kEightBits = 8;

Handle PrimaryPicture(heif_context* context, std::string_view content) {
    heif_image_handle* handle = nullptr;
    if (heif_context_read_from_memory_without_copy(context, content.data(), content.size(), nullptr)
                .code != heif_error_Ok ||
        heif_context_get_primary_image_handle(context, &handle).code != heif_error_Ok) {
        return nullptr;
    }
    return Handle(handle);
}

std::string IccProfile(const heif_image_handle* handle) {
    const heif_color_profile_type type = heif_image_handle_get_color_profile_type(handle);
    if (type != heif_color_profile_type_prof && type != heif_color_profile_type_rICC) {
        return {};
    }
    std::string profile(heif_image_handle_get_raw_color_profile_size(handle), '\0');
    if (heif_image_handle_get_raw_color_profile(handle, profile.data()).code != heif_error_Ok) {
        return {};
    }
    return profile;
}

CicpColour CodedColour(const heif_image_handle* handle) {
    heif_color_profile_nclx* nclx = nullptr;
    if (heif_image_handle_get_nclx_color_profile(handle, &nclx).code != heif_error_Ok) {
        return {};
    }
    const std::unique_ptr<heif_color_profile_nclx, NclxFreer> owned(nclx);
    return CicpColour{nclx->color_primaries, nclx->transfer_characteristics};
}

// Deep pictures come as 16-bit values, so that their colour is converted before they are
// reduced to 8 bits.
Image DecodedRgb(const heif_image_handle* handle, bool deep, bool transformed,
                 heif_error_code& error) {
    const std::unique_ptr<heif_decoding_options, OptionsFreer> options(
        heif_decoding_options_alloc());
    options->ignore_transformations = transformed ? 0 : 1;
    options->strict_decoding = 1;
    heif_image* image = nullptr;
    const heif_chroma chroma =
        deep ? heif_chroma_interleaved_RRGGBB_LE : heif_chroma_interleaved_RGB;
    error = heif_decode_image(handle, &image, heif_colorspace_RGB, chroma, options.get()).code;
    return error == heif_error_Ok ? Image(image) : nullptr;
}

std::optional<RgbImage> ToSrgb(const heif_image* image, const CodePointColourConverter& converter,
                               bool deep) {
    const int width = heif_image_get_width(image, heif_channel_interleaved);
    const int height = heif_image_get_height(image, heif_channel_interleaved);
    const int bits = heif_image_get_bits_per_pixel_range(image, heif_channel_interleaved);
    int stride = 0;
    const std::uint8_t* rows =
        heif_image_get_plane_readonly(image, heif_channel_interleaved, &stride);
    if (rows == nullptr || width <= 0 || height <= 0 || stride <= 0 || bits < kEightBits ||
        bits > 16) {
        return std::nullopt;
    }
    const auto rowStride = static_cast<std::size_t>(stride);
    return deep ? converter.ConvertDeep(rows, rowStride, width, height, (1 << bits) - 1)
                : converter.Convert(rows, rowStride, width, height);
}

}  // namespace

std::optional<RgbImage> DecodeHeif(std::string_view content) {
    const Context context(heif_context_alloc());
    if (!context) {
        return std::nullopt;
    }
    const Handle handle = PrimaryPicture(context.get(), content);
    if (!handle || !FitsPixelLimit(heif_image_handle_get_width(handle.get()),
                                   heif_image_handle_get_height(handle.get()))) {
        return std::nullopt;
    }
    const bool deep = heif_image_handle_get_luma_bits_per_pixel(handle.get()) > kEightBits;
    const CodePointColourConverter converter(IccProfile(handle.get()), CodedColour(handle.get()));
    heif_error_code error = heif_error_Ok;
    if (const Image image = DecodedRgb(handle.get(), deep, true, error)) {
        return ToSrgb(image.get(), converter, deep);
    }
    // libheif refuses to mirror deep pictures, and 8-bit ones after a quarter turn or in full
    // chroma resolution: then we turn and mirror them ourselves.
    const std::optional<PictureOrientation> orientation = ReadPrimaryItemOrientation(content);
    if (error != heif_error_Unsupported_feature || !orientation) {
        return std::nullopt;
    }
    const Image image = DecodedRgb(handle.get(), deep, false, error);
    std::optional<RgbImage> pixels = image ? ToSrgb(image.get(), converter, deep) : std::nullopt;
    return pixels ? std::optional(Oriented(std::move(*pixels), *orientation)) : std::nullopt;
}
