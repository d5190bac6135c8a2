#include "platform/linux/converter/DevilImage.h"

#include <IL/il.h>

#include <algorithm>
#include <cstdio>
#include <limits>
#include <utility>

#include "platform/linux/converter/colour/SrgbConverter.h"

namespace {

constexpr std::size_t kWriteBuffer = std::size_t(1) << 20;

// DevIL keeps failed calls on an error stack; leaving them there would only grow it.
void ClearErrors() {
    while (ilGetError() != IL_NO_ERROR) {
    }
}

ILenum DevilType(ImageFormat format) {
    switch (format) {
        case ImageFormat::Png:
            return IL_PNG;
        case ImageFormat::Jpeg:
            return IL_JPG;
        case ImageFormat::Tiff:
            return IL_TIF;
        case ImageFormat::Targa:
            return IL_TGA;
        case ImageFormat::Bitmap:
        case ImageFormat::Heif:
        case ImageFormat::Avif:
        case ImageFormat::Webp:
        case ImageFormat::JpegXl:
            break;
    }
    return IL_TYPE_UNKNOWN;  // read by readers of their own, never by DevIL
}

// DevIL's BMP writer wants BGR(A) rows bottom-up; for anything else it makes a converted copy
// and a flipped copy of the whole image first (two more 72 MB buffers for a 6000x4000 photo,
// most of the save's time). For 8-bit RGB(A) we reorder the pixels in place instead, in one
// pass, and tell DevIL what the buffer now holds.
void MakeBitmapOrder() {
    const ILint format = ilGetInteger(IL_IMAGE_FORMAT);
    if (ilGetInteger(IL_IMAGE_TYPE) != IL_UNSIGNED_BYTE || ilGetInteger(IL_IMAGE_DEPTH) != 1 ||
        (format != IL_RGB && format != IL_RGBA)) {
        return;
    }
    const std::size_t channels = format == IL_RGB ? 3 : 4;
    const std::size_t width = static_cast<std::size_t>(ilGetInteger(IL_IMAGE_WIDTH));
    const std::size_t height = static_cast<std::size_t>(ilGetInteger(IL_IMAGE_HEIGHT));
    const std::size_t stride = width * channels;
    ILubyte* data = ilGetData();
    if (data == nullptr || stride == 0) {
        return;
    }
    const bool flip = ilGetInteger(IL_IMAGE_ORIGIN) != IL_ORIGIN_LOWER_LEFT;
    const auto swapRedBlue = [&](ILubyte* row) {
        for (std::size_t x = 0; x < stride; x += channels) {
            std::swap(row[x], row[x + 2]);
        }
    };
    // Row pairs from the outside in; the middle row of an odd height pairs with itself.
    for (std::size_t top = 0; top < (height + 1) / 2; ++top) {
        ILubyte* upper = data + top * stride;
        ILubyte* lower = data + (height - 1 - top) * stride;
        swapRedBlue(upper);
        if (upper != lower) {
            swapRedBlue(lower);
            if (flip) {
                std::swap_ranges(upper, upper + stride, lower);
            }
        }
    }
    ilRegisterFormat(format == IL_RGB ? IL_BGR : IL_BGRA);
    if (flip) {
        ilRegisterOrigin(IL_ORIGIN_LOWER_LEFT);
    }
}

// Damaged TGA files can leave DevIL with an RGB image whose buffer is smaller than its size says.
bool HoldsWholeRgbImage(const ILubyte* data, int bytesPerChannel) {
    const ILint width = ilGetInteger(IL_IMAGE_WIDTH);
    const ILint height = ilGetInteger(IL_IMAGE_HEIGHT);
    const ILint size = ilGetInteger(IL_IMAGE_SIZE_OF_DATA);
    return data != nullptr && width > 0 && height > 0 && size > 0 &&
           ilGetInteger(IL_IMAGE_BPP) == 3 * bytesPerChannel &&
           ilGetInteger(IL_IMAGE_BPC) == bytesPerChannel && ilGetInteger(IL_IMAGE_DEPTH) == 1 &&
           static_cast<std::size_t>(width) * 3 * bytesPerChannel *
                   static_cast<std::size_t>(height) <=
               static_cast<std::size_t>(size);
}

bool IsDeep(ILint type) {
    return type != IL_UNSIGNED_BYTE && type != IL_BYTE;
}

// ilInit and IL_FILE_OVERWRITE, once per process.
void InitialiseLibrary() {
    static const bool initialised = [] {
        ilInit();
        ilEnable(IL_FILE_OVERWRITE);
        return true;
    }();
    (void)initialised;
}

}  // namespace

DevilImage::DevilImage() {
    InitialiseLibrary();
    ilGenImages(1, &id);
    ilBindImage(id);
}

DevilImage::~DevilImage() {
    ilDeleteImages(1, &id);
    ClearErrors();
}

bool DevilImage::Load(std::string_view content, ImageFormat format) {
    ilBindImage(id);
    // DevIL takes a size of 0 as "unknown" and then reads without bound.
    if (content.empty() || content.size() > std::numeric_limits<ILuint>::max()) {
        return false;
    }
    const bool loaded =
        ilLoadL(DevilType(format), content.data(), static_cast<ILuint>(content.size())) == IL_TRUE;
    ClearErrors();
    return loaded;
}

bool DevilImage::LoadTarga(const std::string& content) {
    ilBindImage(id);
    const bool loaded =
        ilLoadL(IL_TGA, content.data(), static_cast<ILuint>(content.size())) == IL_TRUE;
    ClearErrors();
    return loaded;
}

int DevilImage::Channels() {
    ilBindImage(id);
    return ilGetInteger(IL_IMAGE_CHANNELS);
}

bool DevilImage::SaveBitmap(const std::string& path) {
    ilBindImage(id);
    // Through a stream of our own: DevIL ignores failed writes (a full disk gives a truncated
    // file and success), the stream's error state and fclose do not. A large buffer also turns
    // DevIL's row-by-row writes into few system calls.
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (file == nullptr) {
        return false;
    }
    std::setvbuf(file, nullptr, _IOFBF, kWriteBuffer);
    MakeBitmapOrder();
    const bool written = ilSaveF(IL_BMP, file) != 0;
    ClearErrors();
    const bool flushed = std::fflush(file) == 0 && std::ferror(file) == 0;
    const bool closed = std::fclose(file) == 0;
    return written && flushed && closed;
}

RgbImage DevilImage::ToRgb(std::string_view iccProfile) {
    ilBindImage(id);
    RgbImage image;
    ILint format = ilGetInteger(IL_IMAGE_FORMAT);
    const bool deep = IsDeep(ilGetInteger(IL_IMAGE_TYPE));
    // 8-bit RGB and BGR (what our bitmaps hold) are read as they are; anything else (palette,
    // grey, alpha) is converted by DevIL first, deep pictures to 16-bit RGB: DevIL's own step
    // down to 8 bits truncates.
    const bool direct = !deep && (format == IL_RGB || format == IL_BGR);
    if (!direct) {
        if (ilConvertImage(IL_RGB, deep ? IL_UNSIGNED_SHORT : IL_UNSIGNED_BYTE) != IL_TRUE) {
            ClearErrors();
            return image;
        }
        format = IL_RGB;
    }
    const int bytesPerChannel = deep ? 2 : 1;
    const ILubyte* data = ilGetData();
    if (!HoldsWholeRgbImage(data, bytesPerChannel)) {
        return image;
    }
    const SrgbConverter converter(
        iccProfile, deep ? SrgbConverter::Samples::Rgb16 : SrgbConverter::Samples::Rgb8);
    image.width = ilGetInteger(IL_IMAGE_WIDTH);
    image.height = ilGetInteger(IL_IMAGE_HEIGHT);
    const std::size_t stride = static_cast<std::size_t>(image.width) * 3;
    image.pixels.resize(stride * static_cast<std::size_t>(image.height));
    const bool bottomUp = ilGetInteger(IL_IMAGE_ORIGIN) == IL_ORIGIN_LOWER_LEFT;
    for (int y = 0; y < image.height; ++y) {
        const int from = bottomUp ? image.height - 1 - y : y;
        const ILubyte* in = data + stride * bytesPerChannel * static_cast<std::size_t>(from);
        std::uint8_t* out = image.pixels.data() + stride * static_cast<std::size_t>(y);
        if (format == IL_BGR) {
            for (std::size_t x = 0; x < stride; x += 3) {
                out[x] = in[x + 2];
                out[x + 1] = in[x + 1];
                out[x + 2] = in[x];
            }
            in = out;
        }
        converter.ConvertRow(in, out, image.width);
    }
    return image;
}
