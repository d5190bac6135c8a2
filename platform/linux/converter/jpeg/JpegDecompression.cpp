#include "platform/linux/converter/jpeg/JpegDecompression.h"

// clang-format off
#include <cstdio>
#include <jpeglib.h>
// clang-format on

#include <algorithm>
#include <array>
#include <csetjmp>
#include <vector>

namespace {

// libjpeg reports a fatal error by calling error_exit, which must not return: it jumps back to
// the call that began the step. The functions holding a jump point keep no object with a
// destructor, which the jump would skip.
struct ErrorJump {
    jpeg_error_mgr manager;
    std::jmp_buf target;
};

[[noreturn]] void JumpBack(j_common_ptr info) {
    std::longjmp(reinterpret_cast<ErrorJump*>(info->err)->target, 1);
}

// The converter tells only whether a file was read; libjpeg's words would go to the log unasked.
void StayQuiet(j_common_ptr) {}

// Rows asked of libjpeg at a time: fewer calls, and room for the most rows it hands out at once;
// the band of a banded decoding.
constexpr std::size_t kRowsPerRead = 16;

}  // namespace

struct JpegDecompression::State {
    std::string_view content;
    jpeg_decompress_struct info{};
    ErrorJump errors{};
};

JpegDecompression::JpegDecompression(std::string_view content) : state(std::make_unique<State>()) {
    state->content = content;
    jpeg_decompress_struct& info = state->info;
    info.err = jpeg_std_error(&state->errors.manager);
    state->errors.manager.error_exit = JumpBack;
    state->errors.manager.output_message = StayQuiet;
    jpeg_create_decompress(&info);
}

JpegDecompression::~JpegDecompression() {
    jpeg_destroy_decompress(&state->info);
}

// The source is set here, under the jump point: libjpeg refuses empty input with a fatal error.
bool JpegDecompression::ReadHeader() {
    jpeg_decompress_struct& info = state->info;
    if (setjmp(state->errors.target) != 0) {
        return false;
    }
    jpeg_mem_src(&info, reinterpret_cast<const unsigned char*>(state->content.data()),
                 static_cast<unsigned long>(state->content.size()));
    return jpeg_read_header(&info, TRUE) == JPEG_HEADER_OK;
}

bool JpegDecompression::IsPlainColour() const {
    const J_COLOR_SPACE space = state->info.jpeg_color_space;
    return space == JCS_YCbCr || space == JCS_RGB || space == JCS_GRAYSCALE;
}

bool JpegDecompression::IsProgressive() const {
    return state->info.progressive_mode == TRUE;
}

PictureSize JpegDecompression::Size() const {
    return {static_cast<int>(state->info.image_width), static_cast<int>(state->info.image_height)};
}

std::optional<RgbImage> JpegDecompression::Decode(unsigned int eighths, std::optional<int> rows) {
    if (!Start(eighths)) {
        return std::nullopt;
    }
    RgbImage image{static_cast<int>(state->info.output_width),
                   static_cast<int>(state->info.output_height),
                   {}};
    AllocatePixels(image);
    const unsigned int last = std::clamp(rows.value_or(image.height), 0, image.height);
    if (!ReadRows(image.pixels.data(), {}, last)) {
        return std::nullopt;
    }
    return image;
}

bool JpegDecompression::DecodeBands(const BandTaker& take) {
    if (!Start(8)) {
        return false;
    }
    std::vector<std::uint8_t> band(std::size_t(state->info.output_width) * 3 * kRowsPerRead);
    return ReadRows(band.data(), take, state->info.output_height);
}

bool JpegDecompression::Start(unsigned int eighths) {
    jpeg_decompress_struct& info = state->info;
    if (setjmp(state->errors.target) != 0) {
        return false;
    }
    info.scale_num = eighths;
    info.scale_denom = 8;
    info.out_color_space = JCS_RGB;
    info.dct_method = JDCT_ISLOW;
    return jpeg_start_decompress(&info) == TRUE && info.output_components == 3;
}

// Into the whole picture's rows when there is nothing to take them, else into the band of
// kRowsPerRead rows that `pixels` holds, handed over after each read; rows from `last` on are
// neither decoded nor read.
bool JpegDecompression::ReadRows(std::uint8_t* pixels, const BandTaker& take, unsigned int last) {
    jpeg_decompress_struct& info = state->info;
    if (setjmp(state->errors.target) != 0) {
        return false;
    }
    const std::size_t stride = std::size_t(info.output_width) * 3;
    std::array<JSAMPROW, kRowsPerRead> rows{};
    while (info.output_scanline < last) {
        const JDIMENSION first = info.output_scanline;
        const JDIMENSION count = std::min<JDIMENSION>(kRowsPerRead, last - first);
        std::uint8_t* start = take ? pixels : pixels + stride * first;
        for (JDIMENSION row = 0; row < count; ++row) {
            rows[row] = start + stride * row;
        }
        const JDIMENSION read = jpeg_read_scanlines(&info, rows.data(), count);
        if (take && read > 0) {
            take(pixels, static_cast<int>(first), static_cast<int>(read));
        }
    }
    if (last < info.output_height) {
        jpeg_abort_decompress(&info);
        return true;
    }
    return jpeg_finish_decompress(&info) == TRUE;
}
