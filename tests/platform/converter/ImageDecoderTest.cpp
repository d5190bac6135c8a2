#include <gtest/gtest.h>

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "platform/linux/converter/ImageDecoder.h"
#include "platform/linux/converter/TruncationCheck.h"
#include "tests/platform/PlatformTestSupport.h"

namespace {

using platform_test::DecodeWithImageMagick;
using platform_test::LargestDifference;

// Each file shows one of two reference pictures (see images/make.sh, which made them).
struct Layout {
    const char* file;
    const char* reference;
    int tolerance;
};

constexpr int kJpegLoss = 4;
// Five or six bits per channel cannot hold the reference colours exactly.
constexpr int kRgb565Loss = 7;
// Eight-bit colours taken into Adobe RGB and back into sRGB.
constexpr int kProfileRoundTripLoss = 2;
// Lossy JPEG XL at its finest still rings along the quadrants' sharp edges; pixels in linear light
// or the wrong primaries would be off by far more.
constexpr int kJpegXlLoss = 24;

const Layout kLayouts[] = {
    {"bitfields-16.bmp", "four-colours.png", kRgb565Loss},
    {"bitfields-32.bmp", "four-colours.png", 0},
    {"header-v4.bmp", "four-colours.png", 0},
    {"header-v5-masks.bmp", "four-colours.png", 0},
    {"palette-2bit.bmp", "four-colours.png", 0},
    {"palette-4bit.bmp", "four-colours.png", 0},
    {"rle-4bit.bmp", "four-colours.png", 0},
    {"rle-8bit.bmp", "four-colours.png", 0},
    {"rle-24bit.bmp", "four-colours.png", 0},
    {"origin-top-right.tga", "four-colours.png", 0},
    {"origin-bottom-right.tga", "four-colours.png", 0},
    {"colour-mapped.tga", "four-colours.png", 0},
    {"one-pixel-top-right.tga", "one-pixel.png", 0},
    {"float32.tiff", "quadrants.png", 0},
    {"orientation-6.tiff", "quadrants.png", 0},
    {"cmyk.jpg", "quadrants.png", kJpegLoss},
    {"ycck.jpg", "quadrants.png", kJpegLoss},
    {"orientation-1.jpg", "quadrants.png", kJpegLoss},
    {"orientation-2.jpg", "quadrants.png", kJpegLoss},
    {"orientation-3.jpg", "quadrants.png", kJpegLoss},
    {"orientation-4.jpg", "quadrants.png", kJpegLoss},
    {"orientation-5.jpg", "quadrants.png", kJpegLoss},
    {"orientation-6.jpg", "quadrants.png", kJpegLoss},
    {"orientation-7.jpg", "quadrants.png", kJpegLoss},
    {"orientation-8.jpg", "quadrants.png", kJpegLoss},
    {"lossless.webp", "quadrants.png", 0},
    {"transparent.webp", "quadrants.png", 0},
    {"animated.webp", "quadrants.png", 0},
    {"adobe-rgb.webp", "quadrants.png", kProfileRoundTripLoss},
    {"orientation-2.webp", "quadrants.png", kJpegLoss},
    {"orientation-3.webp", "quadrants.png", kJpegLoss},
    {"orientation-4.webp", "quadrants.png", kJpegLoss},
    {"orientation-5.webp", "quadrants.png", kJpegLoss},
    {"orientation-6.webp", "quadrants.png", kJpegLoss},
    {"orientation-7.webp", "quadrants.png", kJpegLoss},
    {"orientation-8.webp", "quadrants.png", kJpegLoss},
    {"lossless.jxl", "quadrants.png", 0},
    {"lossy.jxl", "quadrants.png", kJpegXlLoss},
    {"sixteen-bit.jxl", "quadrants.png", 0},
    {"adobe-rgb-lossless.jxl", "quadrants.png", kProfileRoundTripLoss},
    {"adobe-rgb-lossy.jxl", "quadrants.png", kJpegXlLoss},
    {"orientation-5.jxl", "quadrants.png", kJpegLoss},
    {"orientation-6.jxl", "quadrants.png", kJpegLoss},
};

std::string Image(const std::string& name) {
    return std::string(VORNK_TEST_IMAGES) + "/" + name;
}

// As the converter decodes it: the file's bytes, with the name the program hands over.
std::optional<RgbImage> DecodeFile(const std::string& path) {
    return DecodeImage(platform_test::ReadFile(path), path);
}

TEST(DecodeImageTest, EveryLayoutShowsItsReferencePictureUpright) {
    for (const Layout& layout : kLayouts) {
        SCOPED_TRACE(layout.file);
        const std::optional<RgbImage> decoded = DecodeFile(Image(layout.file));
        if (!decoded) {
            ADD_FAILURE() << "not decoded";
            continue;
        }
        EXPECT_LE(LargestDifference(*decoded, DecodeWithImageMagick(Image(layout.reference))),
                  layout.tolerance);
    }
}

// A RIFF file of another kind is no WebP file, whatever its name.
TEST(DecodeImageTest, FormatsOutsideTheExtensionsAreRefusedWhateverTheName) {
    platform_test::TemporaryFolder folder;
    const std::string gif = folder / "animation.jpg";
    platform_test::Shell("convert " + platform_test::Quote(Image("quadrants.png")) +
                         " gif:" + platform_test::Quote(gif));
    const std::string wave = folder / "sound.webp";
    platform_test::WriteFile(wave,
                             std::string("RIFF\x24\0\0\0WAVEfmt ", 16) + std::string(28, '\0'));
    for (const std::string& file : {gif, wave}) {
        SCOPED_TRACE(file);
        EXPECT_FALSE(DecodeFile(file).has_value());
    }
}

// The layouts that only the second decoder or our own readers take, and the formats of their own
// libraries: a file cut in half is
// refused, not shown with made-up pixels.
TEST(DecodeImageTest, HalvesOfTheLayoutsDevilDoesNotReadAreRefused) {
    platform_test::TemporaryFolder folder;
    for (const char* name : {"palette-2bit.bmp", "rle-24bit.bmp", "header-v5-masks.bmp",
                             "origin-top-right.tga", "cmyk.jpg", "float32.tiff", "animated.webp",
                             "adobe-rgb.webp", "lossy.jxl", "orientation-6.jxl"}) {
        SCOPED_TRACE(name);
        const std::string content = platform_test::ReadFile(Image(name));
        const std::string half = folder / name;
        platform_test::WriteFile(half, content.substr(0, content.size() / 2));
        EXPECT_FALSE(DecodeFile(half).has_value());
    }
}

// A file's format is told by its content alone; TGA is whatever has no other signature. Before,
// a right-to-left TGA under another extension came out mirrored, and a JPEG whose header held the
// TGA's right-to-left bit (here a density of 150 dpi) was refused under a ".tga" name.
TEST(DecodeImageTest, EveryFormatIsToldByItsContentWhateverItsName) {
    platform_test::TemporaryFolder folder;
    const std::string targa = folder / "download.jpg";
    platform_test::WriteFile(targa, platform_test::ReadFile(Image("origin-top-right.tga")));
    const std::string jpeg = folder / "photo.tga";
    platform_test::Shell(
        "convert " + platform_test::Quote(Image("quadrants.png")) +
        " -units PixelsPerInch -density 150 -quality 95 jpg:" + platform_test::Quote(jpeg));
    ASSERT_NE(platform_test::ReadFile(jpeg).at(17) & 0x10, 0);
    const std::string webp = folder / "picture.png";
    platform_test::WriteFile(webp, platform_test::ReadFile(Image("orientation-6.webp")));
    const std::string jpegXl = folder / "picture.bmp";
    platform_test::WriteFile(jpegXl, platform_test::ReadFile(Image("adobe-rgb-lossless.jxl")));
    for (const Layout& layout : {Layout{targa.c_str(), "four-colours.png", 0},
                                 Layout{jpeg.c_str(), "quadrants.png", kJpegLoss},
                                 Layout{webp.c_str(), "quadrants.png", kJpegLoss},
                                 Layout{jpegXl.c_str(), "quadrants.png", kProfileRoundTripLoss}}) {
        SCOPED_TRACE(layout.file);
        const std::optional<RgbImage> decoded = DecodeFile(layout.file);
        ASSERT_TRUE(decoded.has_value());
        EXPECT_LE(LargestDifference(*decoded, DecodeWithImageMagick(Image(layout.reference))),
                  layout.tolerance);
    }
}

// Fuzzing inputs (see conversion-regressions/NOTES.txt) on which our code went wrong, or which
// made DevIL take gigabytes, crash or spin, and a BMP file without its own header: the
// truncation check refuses each before a decoder sees it.
TEST(DecodeImageTest, TruncatedFilesAreRefusedBeforeDecoding) {
    platform_test::TemporaryFolder folder;
    const std::string headless = folder / "headless.bmp";
    platform_test::WriteFile(headless, std::string("BM\x1e\0\0\0\0\0\0\0\x36\0\0\0(\0\0\0", 18));
    std::vector<std::string> files{headless};
    for (const char* name :
         {"tga-short-buffer.tga", "tga-empty-picture-1.tga", "tga-empty-picture-2.tga",
          "tga-empty-picture-3.tga", "tga-20-bytes-2-gb.tga", "bmp-48-bytes-2-gb.bmp",
          "png-chunk-past-end-1.png", "jpeg-segment-past-end-1.jpeg",
          "tiff-devil-directory-past-end.png"}) {
        files.push_back(std::string(VORNK_TEST_REGRESSIONS) + "/" + name);
    }
    for (const std::string& file : files) {
        SCOPED_TRACE(file);
        EXPECT_TRUE(IsTruncated(platform_test::ReadFile(file)));
        EXPECT_FALSE(DecodeFile(file).has_value());
    }
}

// A 4x2 OS/2 bitmap of 24-bit RLE pixels, with BODY as its pixel data.
std::string Os2RleBitmap(const std::string& body) {
    std::string header(14 + 64, '\0');
    const auto put = [&](std::size_t at, std::uint32_t value) {
        for (std::size_t i = 0; i < 4; ++i) {
            header[at + i] = static_cast<char>(value >> (8 * i));
        }
    };
    header[0] = 'B';
    header[1] = 'M';
    put(2, static_cast<std::uint32_t>(header.size() + body.size()));
    put(10, 14 + 64);
    put(14, 64);
    put(18, 4);
    put(22, 2);
    header[26] = 1;
    header[28] = 24;
    header[30] = 4;
    return header + body;
}

std::string Repeated(const std::string& bytes, int count) {
    std::string repeated;
    for (int i = 0; i < count; ++i) {
        repeated += bytes;
    }
    return repeated;
}

// Every escape keeps the reader's cursor inside the picture. Skips along a row used to walk it
// past the row's end and, repeated millions of times, past INT_MAX, to write the file's colours
// before the pixel buffer.
TEST(DecodeImageTest, RleDataThatLeavesThePictureIsRefused) {
    const std::string red("\x00\x00\xff", 3);
    const std::string endOfLine("\0\0", 2);
    const std::string endOfPicture("\0\1", 2);
    struct Case {
        const char* name;
        std::string body;
    };
    const Case refused[] = {
        {"skips along the row",
         "\x01" + red + Repeated(std::string("\0\2\xff\0", 4), 1000) + "\x01" + red + endOfPicture},
        {"skip below the picture", "\x01" + red + std::string("\0\2\0\3", 4) + endOfPicture},
        {"run longer than the row", "\x05" + red + endOfPicture},
        {"literal longer than the row", std::string("\0\5", 2) + Repeated(red, 5) + '\0'},
        {"data ending early", "\x04" + red + endOfLine},
    };
    for (const Case& c : refused) {
        SCOPED_TRACE(c.name);
        EXPECT_FALSE(DecodeImage(Os2RleBitmap(c.body), "picture.bmp").has_value());
    }
    // The same header with data that stays inside: the bottom row red, a skip to the top row's
    // last pixel, red again.
    const std::optional<RgbImage> decoded =
        DecodeImage(Os2RleBitmap("\x04" + red + endOfLine + std::string("\0\2\3\0", 4) + "\x01" +
                                 red + endOfPicture),
                    "picture.bmp");
    ASSERT_TRUE(decoded.has_value());
    ASSERT_EQ(decoded->width, 4);
    ASSERT_EQ(decoded->height, 2);
    const std::vector<std::uint8_t> expected = {0,   0, 0, 0,   0, 0, 0,   0, 0, 255, 0, 0,
                                                255, 0, 0, 255, 0, 0, 255, 0, 0, 255, 0, 0};
    EXPECT_EQ(decoded->pixels, expected);
}

// A JPEG file cut short is refused by the truncation check, before DevIL's reader could spin at
// its end; data a camera appends after the end-of-image marker is no reason to refuse one.
TEST(DecodeImageTest, JpegCutShortIsRefusedBeforeDecoding) {
    const std::string whole = platform_test::ReadFile(Image("orientation-1.jpg"));
    const std::string cut = whole.substr(0, whole.size() - 40);
    const std::string appended = whole + std::string(10000, '\xff') + "trailer";
    EXPECT_TRUE(IsTruncated(cut));
    EXPECT_FALSE(DecodeImage(cut, "cut.jpg").has_value());
    EXPECT_FALSE(IsTruncated(appended));
    EXPECT_TRUE(DecodeImage(appended, "appended.jpg").has_value());
}

}  // namespace
