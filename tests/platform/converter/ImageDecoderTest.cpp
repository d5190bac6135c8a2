#include <avif/avif.h>
#include <gtest/gtest.h>
#include <zlib.h>

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "platform/linux/converter/DevilImage.h"
#include "platform/linux/converter/ImageDecoder.h"
#include "platform/linux/converter/ImageFormat.h"
#include "platform/linux/converter/QtImageDecoder.h"
#include "platform/linux/converter/TruncationCheck.h"
#include "platform/linux/converter/colour/EmbeddedIccProfile.h"
#include "tests/platform/PlatformTestSupport.h"

namespace {

using platform_test::DecodeWithImageMagick;
using platform_test::LargestDifference;

// Each file shows one of the reference pictures (see images/make.sh, which made them).
struct Layout {
    const char* file;
    const char* reference;
    int tolerance;
};

constexpr int kJpegLoss = 4;
// Five or six bits per channel cannot hold the reference colours exactly.
constexpr int kRgb565Loss = 7;
// Little CMS's 8-bit transforms round through a table.
constexpr int kProfileLoss = 2;
// Ten bits per channel hold the reference colours to within rounding.
constexpr int kTenBitLoss = 1;
// libheif's conversion of lossless RGB rounds a level off; lossy HEIF and AVIF lose a few.
constexpr int kHeifRounding = 1;
constexpr int kVideoCodingLoss = 4;
// Little CMS's 8-bit transforms interpolate.
constexpr int kColourConversionLoss = 2;
// Our sRGB and the reference's differ in their last bits.
constexpr int kProfileRounding = 1;
// 8-bit pixels of a table profile go through Little CMS's own interpolation: a level more.
constexpr int kTableProfileRounding = 2;
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
    {"header-v5-profile.bmp", "four-colours.png", kProfileLoss},
    {"header-v3-alpha.bmp", "four-colours.png", 0},
    {"header-v4-masks-16.bmp", "four-colours.png", kRgb565Loss},
    {"alpha-bitfields.bmp", "four-colours.png", 0},
    {"bitfields-10bit.bmp", "four-colours.png", kTenBitLoss},
    {"bitfields-1bit.bmp", "primaries.png", 0},
    {"rgb-16bit.bmp", "four-colours.png", kRgb565Loss},
    {"top-down.bmp", "four-colours.png", 0},
    {"os2-core.bmp", "four-colours.png", 0},
    {"palette-8bit.bmp", "four-colours.png", 0},
    {"palette-8bit-past-end.bmp", "unset-black.png", 0},
    {"palette-4bit-past-end.bmp", "unset-black.png", 0},
    {"rle-8bit-skips.bmp", "unset-black.png", 0},
    {"rle-4bit-skips.bmp", "unset-black.png", 0},
    {"rle-24bit-skips.bmp", "unset-black.png", 0},
    {"rle-4bit-no-end-marker.bmp", "four-colours.png", 0},
    {"palette-2bit.bmp", "four-colours.png", 0},
    {"palette-4bit.bmp", "four-colours.png", 0},
    {"rle-4bit.bmp", "four-colours.png", 0},
    {"rle-8bit.bmp", "four-colours.png", 0},
    {"rle-24bit.bmp", "four-colours.png", 0},
    {"origin-top-right.tga", "four-colours.png", 0},
    {"origin-bottom-right.tga", "four-colours.png", 0},
    {"colour-mapped.tga", "four-colours.png", 0},
    {"colour-map-first-entry.tga", "four-colours.png", 0},
    {"colour-mapped-rle-first-entry.tga", "four-colours.png", 0},
    {"colour-map-16bit.tga", "four-colours.png", kRgb565Loss},
    {"colour-map-index-outside.tga", "unset-black.png", 0},
    {"truecolour-unused-map.tga", "four-colours.png", 0},
    {"truecolour-rle-unused-map.tga", "four-colours.png", 0},
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
    {"quadrants.heic", "quadrants.png", kHeifRounding},
    {"quadrants-10bit.heic", "quadrants.png", kVideoCodingLoss},
    {"irot-1.heic", "quadrants.png", kHeifRounding},
    {"irot-3-imir-0.heic", "quadrants.png", kVideoCodingLoss},
    {"imir-1-10bit.heic", "quadrants.png", kVideoCodingLoss},
    {"display-p3.heic", "quadrants-p3-in-srgb.png", kColourConversionLoss},
    {"display-p3-icc.heic", "quadrants-p3-in-srgb.png", kColourConversionLoss},
    {"quadrants.avif", "quadrants.png", 0},
    {"quadrants-10bit.avif", "quadrants.png", kVideoCodingLoss},
    {"irot-1-imir-1.avif", "quadrants.png", 0},
    {"animated.avif", "quadrants.png", 0},
    {"display-p3.avif", "quadrants-p3-in-srgb.png", kColourConversionLoss},
    {"display-p3-icc.avif", "quadrants-p3-in-srgb.png", kColourConversionLoss},
    // Tagged with an ICC profile: the pixels brought into sRGB, the one profile whatever the
    // container and however many segments it is split over.
    {"adobe-rgb.jpg", "adobe-rgb-in-srgb.png", kJpegLoss},
    {"adobe-rgb-split.jpg", "adobe-rgb-in-srgb.png", kJpegLoss},
    {"adobe-rgb.tiff", "adobe-rgb-in-srgb.png", kProfileRounding},
    {"display-p3.png", "display-p3-in-srgb.png", kProfileRounding},
    // 16 bits a channel rounded to 8 once, after the profile: no banding along the ramps.
    {"gradient-16bit.png", "gradient-16bit-in-8-bits.png", 0},
    {"gradient-16bit-p3.png", "gradient-16bit-p3-in-srgb.png", kProfileRounding},
    // Profiles made of tables rather than curves and colorants.
    {"adobe-rgb-table.png", "adobe-rgb-in-srgb.png", kTableProfileRounding},
    {"gradient-16bit-adobe-table.png", "gradient-16bit-adobe-in-srgb.png", kProfileRounding},
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

// libavif's conversion of the whole picture at once.
RgbImage WholeAvifConversion(const std::string& content) {
    avifDecoder* decoder = avifDecoderCreate();
    avifImage* image = avifImageCreateEmpty();
    EXPECT_EQ(
        avifDecoderReadMemory(decoder, image, reinterpret_cast<const std::uint8_t*>(content.data()),
                              content.size()),
        AVIF_RESULT_OK);
    RgbImage whole{static_cast<int>(image->width), static_cast<int>(image->height), {}};
    whole.pixels.resize(std::size_t(image->width) * image->height * 3);
    avifRGBImage rgb{};
    avifRGBImageSetDefaults(&rgb, image);
    rgb.format = AVIF_RGB_FORMAT_RGB;
    rgb.depth = 8;
    rgb.pixels = whole.pixels.data();
    rgb.rowBytes = image->width * 3;
    EXPECT_EQ(avifImageYUVToRGB(image, &rgb), AVIF_RESULT_OK);
    avifImageDestroy(image);
    avifDecoderDestroy(decoder);
    return whole;
}

// AVIF pictures are converted a strip of rows at a time; where 4:2:0 chroma rows straddle two
// strips, the rows on either side still come out as in a conversion of the whole picture.
TEST(DecodeImageTest, AvifConvertedInStripsEqualsTheWholeConversion) {
    const std::string content = platform_test::ReadFile(Image("tall-420.avif"));
    const std::optional<RgbImage> decoded = DecodeImage(content, "tall-420.avif");
    ASSERT_TRUE(decoded.has_value());
    EXPECT_EQ(decoded->pixels, WholeAvifConversion(content).pixels);
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
    for (const char* name :
         {"palette-2bit.bmp", "rle-24bit.bmp", "header-v5-masks.bmp", "origin-top-right.tga",
          "cmyk.jpg", "float32.tiff", "quadrants.heic", "quadrants.avif", "animated.avif",
          "animated.webp", "adobe-rgb.webp", "lossy.jxl", "orientation-6.jxl"}) {
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

// CONTENT with LENGTH bytes at OFFSET replaced by VALUE, little-endian.
std::string Patched(std::string content, std::size_t offset, std::size_t length,
                    std::uint32_t value) {
    for (std::size_t i = 0; i < length; ++i) {
        content.at(offset + i) = static_cast<char>(value >> (8 * i));
    }
    return content;
}

std::string Patched(const char* name, std::size_t offset, std::size_t length, std::uint32_t value) {
    return Patched(platform_test::ReadFile(Image(name)), offset, length, value);
}

// Files whose pixels their format does not define, or not as we can show them: refused rather
// than shown with made-up pixels.
TEST(DecodeImageTest, BitmapAndTargaLayoutsWithoutDefinedPixelsAreRefused) {
    struct Case {
        const char* name;
        std::string content;
    };
    const std::string cutShort = platform_test::ReadFile(Image("rle-8bit-cut-short.bmp"));
    const Case refused[] = {
        {"RLE data ending before the picture", cutShort},
        {"RLE data without its last bytes",
         platform_test::ReadFile(Image("rle-4bit.bmp")).substr(0, 150)},
        {"red and green masks overlapping", Patched("bitfields-32.bmp", 58, 4, 0xFFFF)},
        {"a mask with a gap", Patched("bitfields-32.bmp", 54, 4, 0xF0F)},
        {"a mask past a 16-bit pixel", Patched("bitfields-16.bmp", 54, 4, 0x1F0000)},
        {"JPEG data in a BMP", Patched("header-v4.bmp", 30, 4, 4)},
        {"PNG data in a BMP", Patched("header-v4.bmp", 30, 4, 5)},
        {"an unknown header size", Patched("header-v4.bmp", 14, 4, 100)},
        {"RLE data too short to fill a picture of 30000x8000",
         Patched(Patched("rle-8bit.bmp", 18, 4, 30000), 22, 4, 8000)},
        {"RLE stored top-down", Patched("rle-8bit.bmp", 22, 4, static_cast<std::uint32_t>(-8))},
        {"pixels inside the header", Patched("palette-8bit.bmp", 10, 4, 20)},
        {"ICC profile past the file", Patched("header-v5-profile.bmp", 130, 4, 100000)},
        {"colour-mapped TGA without its map", Patched("colour-map-first-entry.tga", 1, 1, 0)},
        {"TGA colour map past the file", Patched("colour-map-first-entry.tga", 5, 2, 60000)},
        {"TGA RLE data ending before the picture",
         Patched("colour-mapped-rle-first-entry.tga", 14, 2, 9)},
        // The top row, 12 pixels wide, is a run of 6 and one of 7.
        {"TGA RLE packet past the picture",
         Patched(Patched("colour-mapped-rle-first-entry.tga", 12, 2, 12), 14, 2, 1)},
    };
    for (const Case& c : refused) {
        SCOPED_TRACE(c.name);
        EXPECT_FALSE(DecodeImage(c.content, "picture").has_value());
    }
    // The RLE file cut short is otherwise sound: whole, it shows its picture.
    ASSERT_TRUE(DecodeFile(Image("rle-8bit.bmp")).has_value());
}

// An "ftyp" box of the given brands, the first the major one.
std::string FileTypeBox(std::initializer_list<const char*> brands) {
    std::string box = std::string(3, '\0') + static_cast<char>(12 + 4 * brands.size()) + "ftyp";
    for (const char* brand : brands) {
        box += brand;
        if (box.size() == 12) {
            box += std::string(4, '\0');  // the minor version
        }
    }
    return box;
}

// AVIF files name HEIF's "mif1" brand too; video files share the box but not the brands, and a
// box that runs past the end of the file is not one.
TEST(DecodeImageTest, HeifAndAvifAreToldByTheBrandsOfTheirFileTypeBox) {
    struct Case {
        std::string start;
        ImageFormat format;
    };
    const Case cases[] = {
        {FileTypeBox({"heic", "mif1", "heic"}), ImageFormat::Heif},
        {FileTypeBox({"mif1", "heix"}), ImageFormat::Heif},
        {FileTypeBox({"msf1", "iso8"}), ImageFormat::Heif},
        {FileTypeBox({"avif", "mif1", "miaf"}), ImageFormat::Avif},
        {FileTypeBox({"mif1", "miaf", "avis"}), ImageFormat::Avif},
        {FileTypeBox({"isom", "iso2", "mp41"}), ImageFormat::Targa},
        {FileTypeBox({"heic", "mif1"}).substr(0, 18), ImageFormat::Targa},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.start.substr(8, 4));
        EXPECT_EQ(SniffImageFormat(c.start), c.format);
    }
}

// Fuzzing inputs (see conversion-regressions/NOTES.txt) on which our code went wrong, or which
// made DevIL take gigabytes, crash or spin, and a BMP file without its own header: the
// truncation check refuses each before a decoder sees it.
TEST(DecodeImageTest, TruncatedFilesAreRefusedBeforeDecoding) {
    platform_test::TemporaryFolder folder;
    const std::string headless = folder / "headless.bmp";
    platform_test::WriteFile(headless, std::string("BM\x1e\0\0\0\0\0\0\0\x36\0\0\0(\0\0\0", 18));
    const std::string cutTiff = folder / "cut.tiff";
    platform_test::WriteFile(cutTiff,
                             platform_test::ReadFile(Image("orientation-6.tiff")).substr(0, 200));
    std::vector<std::string> files{headless, cutTiff};
    for (const char* name :
         {"tiff-value-past-end.tiff", "tga-short-buffer.tga", "tga-empty-picture-1.tga",
          "tga-empty-picture-2.tga", "tga-empty-picture-3.tga", "tga-20-bytes-2-gb.tga",
          "bmp-48-bytes-2-gb.bmp", "png-chunk-past-end-1.png", "jpeg-segment-past-end-1.jpeg",
          "tiff-devil-directory-past-end.png"}) {
        files.push_back(std::string(VORNK_TEST_REGRESSIONS) + "/" + name);
    }
    for (const std::string& file : files) {
        SCOPED_TRACE(file);
        EXPECT_TRUE(IsTruncated(platform_test::ReadFile(file)));
        EXPECT_FALSE(DecodeFile(file).has_value());
    }
}

// The width and height in every "ispe" box of a HEIF or AVIF file set to `side`.
std::string WithAnnouncedSize(std::string file, std::uint32_t side) {
    for (std::size_t box = file.find("ispe"); box != std::string::npos;
         box = file.find("ispe", box + 1)) {
        for (const std::size_t at : {box + 8, box + 12}) {
            for (std::size_t i = 0; i < 4; ++i) {
                file.at(at + i) = static_cast<char>(side >> (24 - 8 * i));
            }
        }
    }
    return file;
}

// A damaged header may announce a picture of gigabytes: refused, whatever the codec would make
// of the data behind it. 12000x12000 is within what libheif and libavif take by themselves.
TEST(DecodeImageTest, HeifAndAvifFilesAnnouncingMorePixelsThanTheLimitsAreRefused) {
    for (const char* name : {"quadrants.heic", "quadrants.avif"}) {
        SCOPED_TRACE(name);
        const std::string file = platform_test::ReadFile(Image(name));
        EXPECT_TRUE(DecodeImage(WithAnnouncedSize(file, 64), name).has_value());
        EXPECT_FALSE(DecodeImage(WithAnnouncedSize(file, 12000), name).has_value());
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

// The quadrant that the file tags as Adobe RGB (40, 200, 60) is, in sRGB, a green the screen
// shows as about (0, 201, 37), with no red left.
TEST(DecodeImageTest, AdobeRgbGreenIsShownAsSrgbGreen) {
    for (const char* name : {"adobe-rgb.jpg", "adobe-rgb-split.jpg", "adobe-rgb.tiff"}) {
        SCOPED_TRACE(name);
        const std::optional<RgbImage> decoded = DecodeFile(Image(name));
        ASSERT_TRUE(decoded.has_value());
        const std::uint8_t* green = decoded->Pixel(24, 8);
        EXPECT_LE(green[0], 2);
        EXPECT_NEAR(green[1], 201, 2);
        EXPECT_NEAR(green[2], 37, 2);
    }
}

std::string Compressed(const std::string& bytes) {
    uLongf size = compressBound(static_cast<uLong>(bytes.size()));
    std::string out(size, '\0');
    compress(reinterpret_cast<Bytef*>(out.data()), &size,
             reinterpret_cast<const Bytef*>(bytes.data()), static_cast<uLong>(bytes.size()));
    out.resize(size);
    return out;
}

std::string BigEndian32(std::uint32_t value) {
    return {static_cast<char>(value >> 24), static_cast<char>(value >> 16),
            static_cast<char>(value >> 8), static_cast<char>(value)};
}

// The PNG file with its iCCP chunk's data replaced (and a checksum that matches).
std::string WithIccChunk(const std::string& png, const std::string& data) {
    const std::size_t chunk = png.find("iCCP") - 4;
    const std::size_t length =
        static_cast<std::uint8_t>(png[chunk + 3]) | static_cast<std::uint8_t>(png[chunk + 2]) << 8;
    const std::string typeAndData = "iCCP" + data;
    const auto checksum = static_cast<std::uint32_t>(
        crc32(0, reinterpret_cast<const Bytef*>(typeAndData.data()), typeAndData.size()));
    return png.substr(0, chunk) + BigEndian32(static_cast<std::uint32_t>(data.size())) +
           typeAndData + BigEndian32(checksum) + png.substr(chunk + 12 + length);
}

// A profile that cannot be read whole, or is no profile, leaves the pixels as decoded, as the
// untagged file shows them: never made-up colours, never a crash.
TEST(DecodeImageTest, DamagedProfilesLeaveThePixelsAsDecoded) {
    const std::string png = platform_test::ReadFile(Image("display-p3.png"));
    const std::string pngChunk = png.substr(png.find("iCCP") + 4);
    const std::string pngStream = pngChunk.substr(pngChunk.find('\0') + 2);
    const std::string jpeg = platform_test::ReadFile(Image("adobe-rgb-split.jpg"));
    std::string jpegCountLies = jpeg;
    jpegCountLies[jpeg.find("ICC_PROFILE") + 13] = 3;  // of three segments, two are there
    std::string jpegNumberTwice = jpeg;
    jpegNumberTwice[jpeg.rfind("ICC_PROFILE") + 12] = 1;
    // The profile's bytes as half as many 16-bit numbers: the layout holds, the type is wrong.
    std::string tiffShorts = platform_test::ReadFile(Image("adobe-rgb.tiff"));
    const std::size_t profileEntry = tiffShorts.find(std::string("\x73\x87\x07\0", 4));
    tiffShorts[profileEntry + 2] = 3;
    const unsigned shorts = (static_cast<std::uint8_t>(tiffShorts[profileEntry + 4]) |
                             static_cast<std::uint8_t>(tiffShorts[profileEntry + 5]) << 8) /
                            2;
    tiffShorts[profileEntry + 4] = static_cast<char>(shorts & 0xff);
    tiffShorts[profileEntry + 5] = static_cast<char>(shorts >> 8);
    const std::string garbage(600, 'x');
    struct Case {
        const char* name;
        std::string file;
        std::string profileRead;
    };
    const Case damaged[] = {
        {"iCCP stream cut short",
         WithIccChunk(png, pngChunk.substr(0, pngChunk.find('\0') + 2) +
                               pngStream.substr(0, pngStream.size() / 2)),
         ""},
        {"iCCP not deflated", WithIccChunk(png, std::string("ICC\0\0", 5) + "not a stream"), ""},
        {"iCCP holding no profile",
         WithIccChunk(png, std::string("ICC\0\0", 5) + Compressed(garbage)), garbage},
        {"segment count lies", jpegCountLies, ""},
        {"segment number twice", jpegNumberTwice, ""},
        {"TIFF profile of numbers", tiffShorts, ""},
    };
    const RgbImage untagged = DecodeWithImageMagick(Image("quadrants.png"));
    for (const Case& c : damaged) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(ReadEmbeddedIccProfile(c.file), c.profileRead);
        const std::optional<RgbImage> decoded = DecodeImage(c.file, c.name);
        ASSERT_TRUE(decoded.has_value());
        EXPECT_LE(LargestDifference(*decoded, untagged), kJpegLoss);
    }
}

// A plain JPEG file as DevIL decoded it before libjpeg wrote into our picture directly: through
// the file's profile, then turned by its orientation.
RgbImage DecodedThroughDevil(const std::string& content) {
    DevilImage image;
    if (!image.Load(content, ImageFormat::Jpeg)) {
        return {};
    }
    return Transformed(image.ToRgb(ReadEmbeddedIccProfile(content)), ReadOrientation(content));
}

// The EXIF segment of `exif` put into `jpeg` after its start-of-image marker.
std::string WithExifOf(const std::string& jpeg, const std::string& exif) {
    const std::size_t segment = exif.find("\xFF\xE1");
    const std::size_t length = 2 + (static_cast<std::uint8_t>(exif.at(segment + 2)) << 8 |
                                    static_cast<std::uint8_t>(exif.at(segment + 3)));
    return jpeg.substr(0, 2) + exif.substr(segment, length) + jpeg.substr(2);
}

// The direct reading gives the very pixels DevIL gave: grey and progressive files, a tagged one,
// and every EXIF orientation, of a square picture and of a wide one (a turn swaps its sides).
TEST(DecodeImageTest, PlainJpegsGiveThePixelsDevilGaveThem) {
    platform_test::TemporaryFolder folder;
    const std::string quadrants = platform_test::Quote(Image("quadrants.png"));
    const std::string grey = folder / "grey.jpg";
    const std::string progressive = folder / "progressive.jpg";
    const std::string wide = folder / "wide.jpg";
    platform_test::Shell("convert " + quadrants +
                         " -colorspace Gray jpg:" + platform_test::Quote(grey));
    platform_test::Shell("convert " + quadrants +
                         " -interlace JPEG jpg:" + platform_test::Quote(progressive));
    platform_test::Shell("convert " + quadrants +
                         " -resize '40x24!' jpg:" + platform_test::Quote(wide));
    std::vector<std::string> files{platform_test::ReadFile(Image("adobe-rgb.jpg")),
                                   platform_test::ReadFile(grey),
                                   platform_test::ReadFile(progressive)};
    for (int orientation = 1; orientation <= 8; ++orientation) {
        const std::string square =
            platform_test::ReadFile(Image("orientation-" + std::to_string(orientation) + ".jpg"));
        files.push_back(square);
        files.push_back(WithExifOf(platform_test::ReadFile(wide), square));
    }
    for (std::size_t index = 0; index < files.size(); ++index) {
        SCOPED_TRACE(index);
        const std::optional<RgbImage> decoded = DecodeImage(files[index], "photo.jpg");
        const RgbImage before = DecodedThroughDevil(files[index]);
        ASSERT_TRUE(decoded.has_value());
        ASSERT_FALSE(before.pixels.empty());
        EXPECT_EQ(decoded->width, before.width);
        EXPECT_EQ(decoded->pixels, before.pixels);
    }
}

// Whole files whose header libjpeg refuses go on to the other decoders, which refuse them too.
TEST(DecodeImageTest, JpegsWithHeadersNoDecoderTakesAreRefused) {
    const std::string whole = platform_test::ReadFile(Image("orientation-1.jpg"));
    std::string twelveBits = whole;
    twelveBits.at(whole.find("\xFF\xC0") + 4) = 12;
    std::string noQuantisation = whole;
    for (std::size_t table = whole.find("\xFF\xDB"); table < whole.find("\xFF\xDA");
         table = whole.find("\xFF\xDB", table + 2)) {
        noQuantisation[table + 1] = '\xFE';  // a comment instead
    }
    for (const std::string& damaged : {twelveBits, noQuantisation}) {
        EXPECT_FALSE(IsTruncated(damaged));
        EXPECT_FALSE(DecodeImage(damaged, "photo.jpg").has_value());
    }
    EXPECT_TRUE(DecodeImage(whole, "photo.jpg").has_value());
}

}  // namespace
