#include "platform/linux/converter/jpeg/JpegDecompression.h"

// clang-format off
#include <cstdio>
#include <jpeglib.h>
// clang-format on

#include <algorithm>
#include <array>
#include <csetjmp>
#include <cstdint>
#include <iterator>
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

PictureSize JpegDecompression::ReducedSize(PictureSize full, unsigned int eighths) {
    const auto side = [eighths](int length) {
        return static_cast<int>((std::int64_t(length) * eighths + 7) / 8);
    };
    return {side(full.width), side(full.height)};
}

namespace {

std::optional<BaselineScan::HuffmanCodes> CodesOf(const JHUFF_TBL* table) {
    if (table == nullptr) {
        return std::nullopt;
    }
    BaselineScan::HuffmanCodes codes;
    std::copy(std::begin(table->bits), std::end(table->bits), codes.counts.begin());
    unsigned int total = 0;
    for (int length = 1; length <= 16; ++length) {
        total += table->bits[length];
    }
    codes.symbols.assign(table->huffval, table->huffval + std::min(total, 256U));
    return codes;
}

// The header's table numbers are as the file gives them: libjpeg checks them only when it starts
// decoding.
template <typename Table, std::size_t N>
const Table* TableAt(Table* const (&tables)[N], int number) {
    return number >= 0 && static_cast<std::size_t>(number) < N ? tables[number] : nullptr;
}

std::optional<BaselineScan::Component> ComponentOf(const jpeg_decompress_struct& info,
                                                   const jpeg_component_info& component) {
    const JQUANT_TBL* quantisation = TableAt(info.quant_tbl_ptrs, component.quant_tbl_no);
    std::optional<BaselineScan::HuffmanCodes> dc =
        CodesOf(TableAt(info.dc_huff_tbl_ptrs, component.dc_tbl_no));
    std::optional<BaselineScan::HuffmanCodes> ac =
        CodesOf(TableAt(info.ac_huff_tbl_ptrs, component.ac_tbl_no));
    if (quantisation == nullptr || !dc || !ac) {
        return std::nullopt;
    }
    BaselineScan::Component result;
    result.frameIndex = component.component_index;
    result.horizontalSampling = component.h_samp_factor;
    result.verticalSampling = component.v_samp_factor;
    std::copy(std::begin(quantisation->quantval), std::end(quantisation->quantval),
              result.quantisation.begin());
    result.dc = std::move(*dc);
    result.ac = std::move(*ac);
    return result;
}

bool HasSingleBaselineScan(const jpeg_decompress_struct& info) {
    const bool colours = (info.jpeg_color_space == JCS_YCbCr && info.num_components == 3) ||
                         (info.jpeg_color_space == JCS_GRAYSCALE && info.num_components == 1);
    return colours && !info.progressive_mode && !info.arith_code && info.data_precision == 8 &&
           info.restart_interval == 0 && info.comps_in_scan == info.num_components;
}

}  // namespace

std::optional<BaselineScan> JpegDecompression::SingleBaselineScan() const {
    const jpeg_decompress_struct& info = state->info;
    if (!HasSingleBaselineScan(info)) {
        return std::nullopt;
    }
    BaselineScan scan;
    scan.width = static_cast<int>(info.image_width);
    scan.height = static_cast<int>(info.image_height);
    for (int i = 0; i < info.comps_in_scan; ++i) {
        std::optional<BaselineScan::Component> component =
            ComponentOf(info, *info.cur_comp_info[i]);
        if (!component) {
            return std::nullopt;
        }
        scan.components.push_back(std::move(*component));
    }
    scan.entropyOffset = static_cast<std::size_t>(
        reinterpret_cast<const char*>(info.src->next_input_byte) - state->content.data());
    return scan;
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
