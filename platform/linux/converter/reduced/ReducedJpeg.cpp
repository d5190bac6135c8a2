#include "platform/linux/converter/reduced/ReducedJpeg.h"

// clang-format off
#include <cstdio>
#include <jpeglib.h>
// clang-format on

#include <algorithm>
#include <csetjmp>
#include <new>
#include <utility>

#include "platform/linux/converter/QtImageDecoder.h"

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

// Warnings about damaged data are the full decoding's to report.
void StayQuiet(j_common_ptr) {}

class Decompression final {
public:
    explicit Decompression(std::string_view content) {
        info.err = jpeg_std_error(&errors.manager);
        errors.manager.error_exit = JumpBack;
        errors.manager.output_message = StayQuiet;
        jpeg_create_decompress(&info);
        jpeg_mem_src(&info, reinterpret_cast<const unsigned char*>(content.data()),
                     static_cast<unsigned long>(content.size()));
    }
    ~Decompression() { jpeg_destroy_decompress(&info); }
    Decompression(const Decompression&) = delete;
    Decompression& operator=(const Decompression&) = delete;

    bool ReadHeader() {
        if (setjmp(errors.target) != 0) {
            return false;
        }
        return jpeg_read_header(&info, TRUE) == JPEG_HEADER_OK;
    }

    bool Start(unsigned int eighths) {
        if (setjmp(errors.target) != 0) {
            return false;
        }
        info.scale_num = eighths;
        info.scale_denom = 8;
        info.out_color_space = JCS_RGB;
        info.dct_method = JDCT_ISLOW;
        return jpeg_start_decompress(&info) == TRUE && info.output_components == 3;
    }

    bool ReadRows(unsigned char* pixels) {
        if (setjmp(errors.target) != 0) {
            return false;
        }
        const std::size_t stride = std::size_t(info.output_width) * 3;
        while (info.output_scanline < info.output_height) {
            JSAMPROW row = pixels + stride * info.output_scanline;
            jpeg_read_scanlines(&info, &row, 1);
        }
        return jpeg_finish_decompress(&info) == TRUE;
    }

    jpeg_decompress_struct info{};

private:
    ErrorJump errors{};
};

bool IsPlainColour(J_COLOR_SPACE space) {
    return space == JCS_YCbCr || space == JCS_RGB || space == JCS_GRAYSCALE;
}

bool TurnsQuarter(QImageIOHandler::Transformations orientation) {
    return orientation.testFlag(QImageIOHandler::TransformationRotate90);
}

// The fewest eighths of each side that still cover the screen once the picture is upright;
// 8 when only the full size does.
unsigned int EighthsNeeded(int width, int height, PictureSize screen, bool quarterTurn) {
    const double uprightWidth = quarterTurn ? height : width;
    const double uprightHeight = quarterTurn ? width : height;
    const double share = std::max(screen.width / uprightWidth, screen.height / uprightHeight);
    for (unsigned int eighths = 1; eighths < 8; ++eighths) {
        if (eighths / 8.0 >= share) {
            return eighths;
        }
    }
    return 8;
}

}  // namespace

std::optional<RgbImage> DecodeReducedJpeg(std::string_view content, PictureSize screen) {
    Decompression jpeg(content);
    if (!jpeg.ReadHeader() || !IsPlainColour(jpeg.info.jpeg_color_space)) {
        return std::nullopt;
    }
    const QImageIOHandler::Transformations orientation = ReadOrientation(content);
    const unsigned int eighths =
        EighthsNeeded(static_cast<int>(jpeg.info.image_width),
                      static_cast<int>(jpeg.info.image_height), screen, TurnsQuarter(orientation));
    if (eighths == 8 || !jpeg.Start(eighths)) {
        return std::nullopt;
    }
    try {
        RgbImage image{static_cast<int>(jpeg.info.output_width),
                       static_cast<int>(jpeg.info.output_height),
                       {}};
        image.pixels.resize(std::size_t(image.width) * image.height * 3);
        if (!jpeg.ReadRows(image.pixels.data())) {
            return std::nullopt;
        }
        return Transformed(std::move(image), orientation);
    } catch (const std::bad_alloc&) {
        return std::nullopt;
    }
}
