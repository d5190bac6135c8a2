#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "platform/linux/converter/ImageDecoder.h"
#include "platform/linux/converter/reduced/ReducedJpeg.h"
#include "tests/platform/PlatformTestSupport.h"

namespace {

using platform_test::LargestDifference;
using platform_test::ReadFile;

std::string Image(const std::string& name) {
    return std::string(VORNK_TEST_IMAGES) + "/" + name;
}

// Reduced DCT sizes and the full decoding's averaging round differently at the quadrants' edges.
constexpr int kReductionLoss = 12;

// The screen sees the same picture either way, the right way up, for every EXIF orientation;
// the wide screen crops the square picture, so a wrong turn shows, and so does a row cut off
// too early where the crop spares the decoding of the bottom rows. The fixtures are baseline
// files, which our two-core decoding takes; their progressive copies go to libjpeg's, which
// leaves those rows undecoded.
TEST(ReducedJpegTest, ScreenPictureMatchesTheFullDecodingScaled) {
    const PictureSize screen{8, 4};
    const platform_test::TemporaryFolder folder;
    for (int orientation = 1; orientation <= 8; ++orientation) {
        const std::string baseline = Image("orientation-" + std::to_string(orientation) + ".jpg");
        const std::string progressive = folder / "progressive.jpg";
        platform_test::Shell("jpegtran -copy all -progressive -outfile " +
                             platform_test::Quote(progressive) + " " +
                             platform_test::Quote(baseline));
        for (const std::string& path : {baseline, progressive}) {
            const std::string file = ReadFile(path);
            const std::optional<RgbImage> reduced = DecodeReducedJpeg(file, {screen, {}});
            const std::optional<RgbImage> full = DecodeImage(file, "photo.jpg");
            ASSERT_TRUE(reduced && full) << orientation << " " << path;
            EXPECT_LT(reduced->width, full->width) << orientation << " " << path;
            EXPECT_LE(LargestDifference(ScaleToFill(*reduced, screen.width, screen.height),
                                        ScaleToFill(*full, screen.width, screen.height)),
                      kReductionLoss)
                << orientation << " " << path;
        }
    }
}

TEST(ReducedJpegTest, LeavesToTheFullDecodingWhatItCannotMakeSmaller) {
    EXPECT_FALSE(DecodeReducedJpeg(ReadFile(Image("orientation-1.jpg")), {{32, 32}, {}}));
    EXPECT_FALSE(DecodeReducedJpeg(ReadFile(Image("cmyk.jpg")), {{8, 8}, {}}));
    EXPECT_FALSE(DecodeReducedJpeg(ReadFile(Image("quadrants.png")), {{8, 8}, {}}));
    EXPECT_FALSE(DecodeReducedJpeg(std::string("\xFF\xD8\xFF\xE0 not a JPEG", 17), {{8, 8}, {}}));
    EXPECT_FALSE(DecodeReducedJpeg(std::string(), {{8, 8}, {}}));
}

}  // namespace
