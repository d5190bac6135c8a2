#include <gtest/gtest.h>

#include <boost/filesystem.hpp>

#include <string>
#include <vector>

#include <sys/resource.h>
#include <sys/wait.h>

#include <unistd.h>
#include <algorithm>
#include <csignal>

#include "model/CoreError.h"
#include "platform/linux/change/ConverterRun.h"
#include "tests/platform/PlatformTestSupport.h"

namespace {

using namespace platform_test;

std::string ErrorOf(const std::string& image, const std::string& bitmap) {
    try {
        RunConverter(image, bitmap);
    } catch (const CoreError& error) {
        return error.what();
    }
    return "no error";
}

std::vector<std::string> FolderContents(const fs::path& folder) {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder)) {
        names.push_back(entry.path().filename().string());
    }
    std::sort(names.begin(), names.end());
    return names;
}

// Each format the core accepts, made by ImageMagick, converts to a bitmap with its pixels.
TEST(ConverterRunTest, ConvertsEveryFormatWithItsPixels) {
    struct Case {
        const char* name;
        const char* imageMagickOptions;  // design.md: BMP3 for DevIL, TGA rows flipped by IM 6
        int tolerance;
    };
    const Case cases[] = {
        {"in.png", "", 0},
        {"in16.png", "-depth 16", 1},
        {"alpha.png", "-alpha on -define png:color-type=6", 0},  // RGBA: a 32-bit bitmap
        {"in.jpg", "-quality 95", 6},
        {"in.tif", "-compress none", 0},
        {"in.tga", "-flip", 0},
        {"in.bmp", "", 0},
    };
    TemporaryFolder folder;
    // 97 pixels: bitmap rows of 291 bytes, padded to 292.
    MakeGradient(folder / "source.png", 97, 61, "0,0 red 96,0 yellow 0,60 blue 96,60 lime");
    const RgbImage source = DecodeWithImageMagick(folder / "source.png");
    for (const Case& c : cases) {
        const std::string format = std::string(c.name) == "in.bmp" ? "BMP3:" : "";
        Shell("convert " + Quote(folder / "source.png") + " " + c.imageMagickOptions + " " +
              Quote(format + folder / c.name));
        const std::string bitmap = folder / "wallpaper.bmp";
        ASSERT_NO_THROW(RunConverter(folder / c.name, bitmap)) << c.name;
        EXPECT_EQ(ReadFile(bitmap).substr(0, 2), "BM") << c.name;
        EXPECT_LE(LargestDifference(DecodeWithImageMagick(bitmap), source), c.tolerance) << c.name;
    }
}

// The codecs decode on threads of their own, which the lockdown lets them start (libjxl's workers,
// dav1d's and libde265's), with Little CMS for the embedded profiles; deep pictures and the first
// frames of animations among them.
TEST(ConverterRunTest, NewFormatsConvertUnderTheLockdown) {
    struct Case {
        const char* name;
        int tolerance;
    };
    // Lossy JPEG XL's loss is the loosest: a turn or an unconverted profile is far more.
    const Case cases[] = {{"quadrants.heic", 4},         {"quadrants-10bit.heic", 4},
                          {"quadrants-10bit.avif", 4},   {"animated.avif", 4},
                          {"animated.webp", 4},          {"adobe-rgb.webp", 4},
                          {"orientation-6.webp", 4},     {"lossy.jxl", 24},
                          {"adobe-rgb-lossless.jxl", 4}, {"orientation-5.jxl", 4}};
    TemporaryFolder folder;
    const std::string images = VORNK_TEST_IMAGES;
    const RgbImage reference = DecodeWithImageMagick(images + "/quadrants.png");
    for (const Case& c : cases) {
        const std::string bitmap = folder / "wallpaper.bmp";
        ASSERT_NO_THROW(RunConverter(images + "/" + c.name, bitmap)) << c.name;
        EXPECT_LE(LargestDifference(DecodeWithImageMagick(bitmap), reference), c.tolerance)
            << c.name;
    }
}

// Qt converts a picture this large on threads of its own, each of which the lockdown must let
// start: a print shop's CMYK photo is a picture, not a crash.
TEST(ConverterRunTest, ALargeCmykJpegConvertsUnderTheLockdown) {
    TemporaryFolder folder;
    const std::string photo = folder / "print.jpg";
    Shell("convert -size 4000x3000 xc:'rgb(200,40,60)' -colorspace CMYK -quality 90 " +
          Quote(photo));
    const std::string bitmap = folder / "wallpaper.bmp";
    ASSERT_NO_THROW(RunConverter(photo, bitmap));
    const RgbImage converted = DecodeWithImageMagick(bitmap);
    ASSERT_EQ(converted.width, 4000);
    const std::uint8_t* centre = converted.Pixel(2000, 1500);
    EXPECT_NEAR(centre[0], 200, 12);
    EXPECT_NEAR(centre[1], 40, 12);
    EXPECT_NEAR(centre[2], 60, 12);
}

TEST(ConverterRunTest, PngNamedJpgLoadsByItsContent) {
    TemporaryFolder folder;
    MakeGradient("png:" + folder / "photo.jpg", 16, 9, "0,0 white 15,8 black");
    Shell("test \"$(head -c 4 " + Quote(folder / "photo.jpg") + " | tail -c 3)\" = PNG");
    ASSERT_NO_THROW(RunConverter(folder / "photo.jpg", folder / "wallpaper.bmp"));
    EXPECT_EQ(LargestDifference(DecodeWithImageMagick(folder / "wallpaper.bmp"),
                                DecodeWithImageMagick("png:" + folder / "photo.jpg")),
              0);
}

TEST(ConverterRunTest, GifNamedJpgIsNotASupportedFormat) {
    TemporaryFolder folder;
    Shell("convert -size 4x4 xc:red " + Quote("gif:" + folder / "anim.jpg"));
    EXPECT_EQ(ErrorOf(folder / "anim.jpg", folder / "wallpaper.bmp"), "Can't load image");
}

TEST(ConverterRunTest, UnreadableInputLeavesTheBitmapAlone) {
    TemporaryFolder folder;
    MakeGradient(folder / "good.png", 32, 20, "0,0 red 31,19 blue");
    MakeGradient(folder / "big.jpg", 300, 200, "0,0 red 299,199 blue");
    const std::string bitmap = folder / "wallpaper.bmp";
    RunConverter(folder / "good.png", bitmap);
    const std::string before = ReadFile(bitmap);

    WriteFile(folder / "empty.jpg", "");
    WriteFile(folder / "text.png", "this is not a picture\n");
    WriteFile(folder / "truncated.jpg", ReadFile(folder / "big.jpg").substr(0, 600));
    for (const char* name : {"empty.jpg", "text.png", "truncated.jpg", "missing.png"}) {
        EXPECT_EQ(ErrorOf(folder / name, bitmap), "Can't load image") << name;
        EXPECT_TRUE(ReadFile(bitmap) == before) << name;
    }
    EXPECT_EQ(FolderContents(folder.Path()),
              (std::vector<std::string>{"big.jpg", "empty.jpg", "good.png", "text.png",
                                        "truncated.jpg", "wallpaper.bmp"}));
}

// Another monitor's picture: filled to its size from the same decoding, and no file written.
TEST(ConverterRunTest, PictureWithoutBitmapWritesNothing) {
    TemporaryFolder folder;
    MakeGradient(folder / "good.jpg", 320, 200, "0,0 red 319,0 yellow 0,199 blue 319,199 lime");
    MakeGradient(folder / "good.png", 32, 20, "0,0 red 31,19 blue");
    WriteFile(folder / "text.png", "this is not a picture\n");
    WriteFile(folder / "truncated.jpg", ReadFile(folder / "good.jpg").substr(0, 600));
    const std::vector<std::string> before = FolderContents(folder.Path());

    const RgbImage picture = ConvertToPicture(folder / "good.png", {{10, 10}, {}});
    EXPECT_EQ(
        LargestDifference(picture, ScaleToFill(DecodeWithImageMagick(folder / "good.png"), 10, 10)),
        0);
    EXPECT_EQ(ConvertToPicture(folder / "good.jpg", {{40, 50}, {}}).width, 40);
    for (const char* name : {"text.png", "truncated.jpg", "missing.png"}) {
        try {
            ConvertToPicture(folder / name, {{10, 10}, {}});
            ADD_FAILURE() << "no error for " << name;
        } catch (const CoreError& error) {
            EXPECT_STREQ(error.what(), "Can't load image") << name;
        }
    }
    EXPECT_EQ(FolderContents(folder.Path()), before);
}

TEST(ConverterRunTest, FolderThatCannotBeWrittenIsCantSaveImage) {
    TemporaryFolder folder;
    MakeGradient(folder / "good.png", 32, 20, "0,0 red 31,19 blue");
    EXPECT_EQ(ErrorOf(folder / "good.png", folder / "missing/wallpaper.bmp"), "Can't save image");

    if (geteuid() != 0) {  // root writes into any folder
        fs::create_directory(folder.Path() / "locked");
        const std::string bitmap = folder / "locked/wallpaper.bmp";
        RunConverter(folder / "good.png", bitmap);
        const std::string before = ReadFile(bitmap);
        fs::permissions(folder.Path() / "locked", fs::owner_read | fs::owner_exe);
        EXPECT_EQ(ErrorOf(folder / "good.png", bitmap), "Can't save image");
        EXPECT_TRUE(ReadFile(bitmap) == before);
    }
}

// The screen's picture (of a JPEG, from its reduced decoding) and the bitmap both go through the
// file's profile: tagged Adobe RGB (40, 200, 60) is about (0, 201, 37) on both.
TEST(ConverterRunTest, ScreenPictureAndBitmapShowATaggedPictureInSrgb) {
    TemporaryFolder folder;
    RgbImage screen;
    RunConverter(
        std::string(VORNK_TEST_IMAGES) + "/adobe-rgb.jpg", folder / "wallpaper.bmp",
        DrawnPictureRequest{{{4, 3}, {}}, [&](const RgbImage& picture) { screen = picture; }});
    ASSERT_EQ(screen.width, 4);
    const RgbImage bitmap = DecodeWithImageMagick(folder / "wallpaper.bmp");
    for (const std::uint8_t* green : {screen.Pixel(3, 0), bitmap.Pixel(24, 8)}) {
        EXPECT_LE(green[0], 2);
        EXPECT_NEAR(green[1], 201, 3);
        EXPECT_NEAR(green[2], 37, 3);
    }
}

// A full disk (here: the file-size limit, which binds root as well) must not replace the
// bitmap with a truncated one.
TEST(ConverterRunTest, FailedWriteKeepsTheOldBitmap) {
    TemporaryFolder folder;
    MakeGradient(folder / "small.png", 8, 8, "0,0 red 7,7 blue");
    MakeGradient(folder / "large.png", 400, 300, "0,0 red 399,299 blue");
    const std::string bitmap = folder / "wallpaper.bmp";
    RunConverter(folder / "small.png", bitmap);
    const std::string before = ReadFile(bitmap);

    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        std::signal(SIGXFSZ, SIG_IGN);
        const rlimit limit{4096, 4096};
        setrlimit(RLIMIT_FSIZE, &limit);
        _exit(ErrorOf(folder / "large.png", bitmap) == "Can't save image" ? 0 : 1);
    }
    int status = 0;
    waitpid(child, &status, 0);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    EXPECT_TRUE(ReadFile(bitmap) == before);  // not EXPECT_EQ: no bitmap dumps in the log
    EXPECT_EQ(FolderContents(folder.Path()),
              (std::vector<std::string>{"large.png", "small.png", "wallpaper.bmp"}));
}

}  // namespace
