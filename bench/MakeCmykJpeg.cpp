// Reads a binary PPM on standard input and writes it to standard output as a CMYK JPEG, row by
// row (ImageMagick's pixel cache refuses pictures of hundreds of megapixels). Inverted CMYK, as
// Adobe's programs write it: the converter must take the Qt-only path for it. Built and run by
// bench/converter-memory.sh.
// jpeglib.h needs size_t and FILE declared before it.
#include <cstddef>
#include <cstdio>
#include <vector>

#include <jpeglib.h>

int main() {
    int width = 0;
    int height = 0;
    int maximum = 0;
    if (std::scanf("P6 %d %d %d", &width, &height, &maximum) != 3 || std::getchar() == EOF ||
        width <= 0 || height <= 0) {
        return 1;
    }
    jpeg_compress_struct compressor{};
    jpeg_error_mgr errors{};
    compressor.err = jpeg_std_error(&errors);
    jpeg_create_compress(&compressor);
    jpeg_stdio_dest(&compressor, stdout);
    compressor.image_width = static_cast<JDIMENSION>(width);
    compressor.image_height = static_cast<JDIMENSION>(height);
    compressor.input_components = 4;
    compressor.in_color_space = JCS_CMYK;
    jpeg_set_defaults(&compressor);
    jpeg_set_quality(&compressor, 90, TRUE);
    compressor.write_Adobe_marker = TRUE;
    jpeg_start_compress(&compressor, TRUE);
    std::vector<unsigned char> rgb(static_cast<std::size_t>(width) * 3);
    std::vector<unsigned char> cmyk(static_cast<std::size_t>(width) * 4);
    while (compressor.next_scanline < compressor.image_height) {
        if (std::fread(rgb.data(), 1, rgb.size(), stdin) != rgb.size()) {
            return 1;
        }
        for (std::size_t x = 0; x < static_cast<std::size_t>(width); ++x) {
            cmyk[x * 4] = rgb[x * 3];  // inverted cyan: the red that is left
            cmyk[x * 4 + 1] = rgb[x * 3 + 1];
            cmyk[x * 4 + 2] = rgb[x * 3 + 2];
            cmyk[x * 4 + 3] = 255;  // no black
        }
        JSAMPROW row = cmyk.data();
        jpeg_write_scanlines(&compressor, &row, 1);
    }
    jpeg_finish_compress(&compressor);
    jpeg_destroy_compress(&compressor);
    return 0;
}
