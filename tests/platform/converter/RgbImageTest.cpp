#include <gtest/gtest.h>

#include "platform/linux/converter/RgbImage.h"
#include "platform/linux/x11/X11PixelFormat.h"

#include <algorithm>
#include <cstdint>
#include <ios>
#include <utility>
#include <vector>

namespace {

RgbImage Halves(int width, int height, bool leftRight) {
    RgbImage image{width, height, {}};
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            const bool first = leftRight ? x < width / 2 : y < height / 2;
            image.pixels.insert(image.pixels.end(),
                                {std::uint8_t(first ? 255 : 0), 0, std::uint8_t(first ? 0 : 255)});
        }
    }
    return image;
}

bool IsRed(const RgbImage& image, int x, int y) {
    const auto* p = image.Pixel(x, y);
    return p[0] == 255 && p[2] == 0;
}
bool IsBlue(const RgbImage& image, int x, int y) {
    const auto* p = image.Pixel(x, y);
    return p[0] == 0 && p[2] == 255;
}

TEST(ScaleToFillTest, SameSizeIsAnExactCopy) {
    RgbImage image{5, 3, {}};
    for (int i = 0; i < 45; ++i) {
        image.pixels.push_back(std::uint8_t(i * 37));
    }
    const RgbImage scaled = ScaleToFill(image, 5, 3);
    EXPECT_EQ(scaled.pixels, image.pixels);
}

TEST(ScaleToFillTest, WideImageIsCroppedAtTheSidesAndCentred) {
    // 200x100 on 1280x800: scale 8, 1600 wide, 160 columns cut on each side.
    const RgbImage scaled = ScaleToFill(Halves(200, 100, true), 1280, 800);
    ASSERT_EQ(scaled.width, 1280);
    ASSERT_EQ(scaled.height, 800);
    EXPECT_TRUE(IsRed(scaled, 0, 0));
    EXPECT_TRUE(IsRed(scaled, 630, 400));
    EXPECT_TRUE(IsBlue(scaled, 650, 400));
    EXPECT_TRUE(IsBlue(scaled, 1279, 799));
}

TEST(ScaleToFillTest, TallImageIsCroppedAtTopAndBottom) {
    // 100x200 on 1280x800: scale 12.8, the boundary at source row 100 lands on row 400.
    const RgbImage scaled = ScaleToFill(Halves(100, 200, false), 1280, 800);
    EXPECT_TRUE(IsRed(scaled, 640, 0));
    EXPECT_TRUE(IsRed(scaled, 640, 390));
    EXPECT_TRUE(IsBlue(scaled, 640, 410));
    EXPECT_TRUE(IsBlue(scaled, 640, 799));
}

TEST(ScaleToFillTest, ShrinkingAveragesTheCoveredPixels) {
    RgbImage stripes{4, 2, {}};
    for (int i = 0; i < 8; ++i) {
        const std::uint8_t v = i % 2 == 0 ? 0 : 200;
        stripes.pixels.insert(stripes.pixels.end(), {v, v, v});
    }
    const RgbImage scaled = ScaleToFill(stripes, 2, 1);
    ASSERT_EQ(scaled.pixels.size(), 6u);
    for (const std::uint8_t value : scaled.pixels) {
        EXPECT_NEAR(value, 100, 1);
    }
}

// The 16-bit primaries and white are checked on a real 16-bit screen (X11RootWindowTest); here
// the byte orders and the rounding of what 5-6-5 cannot hold.
bool SameArea(const RgbImage& screen, const PictureArea& area, const RgbImage& expected) {
    for (int y = 0; y < area.height; ++y) {
        for (int x = 0; x < area.width; ++x) {
            if (!std::equal(expected.Pixel(x, y), expected.Pixel(x, y) + 3,
                            screen.Pixel(area.x + x, area.y + y))) {
                return false;
            }
        }
    }
    return true;
}

// A landscape monitor beside a portrait one, lower down: each shows the whole picture filled to
// its own shape, the screen between them stays black, and a monitor reaching past the screen's
// edge is cut there.
TEST(FillMonitorsTest, EachMonitorIsFilledWithTheWholePicture) {
    const RgbImage picture = Halves(40, 20, true);
    const PictureArea landscape{0, 0, 32, 18};
    const PictureArea portrait{32, 6, 12, 20};
    const RgbImage screen = FillMonitors(picture, {{48, 24}, {landscape, portrait}});
    ASSERT_EQ(screen.width, 48);
    ASSERT_EQ(screen.height, 24);
    EXPECT_TRUE(SameArea(screen, landscape, ScaleToFill(picture, 32, 18)));
    EXPECT_TRUE(IsRed(screen, portrait.x, 10) && IsBlue(screen, portrait.x + 11, 10));
    EXPECT_TRUE(SameArea(screen, {32, 6, 12, 18}, ScaleToFill(picture, 12, 20)));
    for (const auto& [x, y] : {std::pair{0, 20}, std::pair{40, 0}, std::pair{47, 5}}) {
        EXPECT_EQ(screen.Pixel(x, y)[0] + screen.Pixel(x, y)[1] + screen.Pixel(x, y)[2], 0)
            << x << "," << y;
    }
}

// One monitor is the usual screen: where it covers all of it, the fill alone is the picture;
// where it does not, the rest stays black as with several.
TEST(FillMonitorsTest, OneMonitorIsFilledWhereverItLies) {
    const RgbImage picture = Halves(40, 20, true);
    const RgbImage whole = FillMonitors(picture, {{32, 18}, {{0, 0, 32, 18}}});
    const RgbImage filled = ScaleToFill(picture, 32, 18);
    EXPECT_EQ(whole.width, 32);
    EXPECT_EQ(whole.height, 18);
    EXPECT_EQ(whole.pixels, filled.pixels);

    const PictureArea inset{4, 2, 24, 14};
    const RgbImage framed = FillMonitors(picture, {{32, 18}, {inset}});
    EXPECT_TRUE(SameArea(framed, inset, ScaleToFill(picture, 24, 14)));
    for (const auto& [x, y] : {std::pair{0, 0}, std::pair{31, 17}, std::pair{3, 9}}) {
        EXPECT_EQ(framed.Pixel(x, y)[0] + framed.Pixel(x, y)[1] + framed.Pixel(x, y)[2], 0)
            << x << "," << y;
    }
}

TEST(X11PixelFormatTest, PacksByTheVisualsMasks) {
    const X11PixelFormat depth24(0xff0000, 0x00ff00, 0x0000ff);
    const X11PixelFormat bgr(0x0000ff, 0x00ff00, 0xff0000);
    const X11PixelFormat depth16(0xf800, 0x07e0, 0x001f);
    const struct {
        const X11PixelFormat& format;
        std::uint8_t r, g, b;
        unsigned long pixel;
    } cases[] = {
        {depth24, 0x12, 0x34, 0x56, 0x123456ul},
        {bgr, 0x12, 0x34, 0x56, 0x563412ul},
        {depth16, 0, 0, 0, 0ul},
        {depth16, 128, 128, 128, (16ul << 11) | (32ul << 5) | 16ul},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(c.format.Pack(c.r, c.g, c.b), c.pixel) << std::hex << c.pixel;
    }
}

// Rows as the server lays them out: whole bytes per pixel in its byte order. The test servers
// use the host's order only.
TEST(X11PixelFormatTest, PacksRowsInTheServersByteOrder) {
    const X11PixelFormat depth16(0xf800, 0x07e0, 0x001f);
    const X11PixelFormat depth24(0xff0000, 0x00ff00, 0x0000ff);
    const X11PixelFormat bgr(0x0000ff, 0x00ff00, 0xff0000);
    const std::uint8_t pixels[] = {0xff, 0x00, 0x00, 0x12, 0x34, 0x56};
    const struct {
        const X11PixelFormat& format;
        int bytesPerPixel;
        bool mostSignificantFirst;
        std::vector<std::uint8_t> row;
    } cases[] = {
        {depth16, 2, false, {0x00, 0xf8, 0xaa, 0x11}},
        {depth16, 2, true, {0xf8, 0x00, 0x11, 0xaa}},
        {depth24, 3, true, {0xff, 0x00, 0x00, 0x12, 0x34, 0x56}},
        {depth24, 4, false, {0x00, 0x00, 0xff, 0x00, 0x56, 0x34, 0x12, 0x00}},
        {depth24, 4, true, {0x00, 0xff, 0x00, 0x00, 0x00, 0x12, 0x34, 0x56}},
        {bgr, 4, false, {0xff, 0x00, 0x00, 0x00, 0x12, 0x34, 0x56, 0x00}},
    };
    for (const auto& c : cases) {
        std::vector<std::uint8_t> row(c.row.size());
        c.format.PackRow(pixels, 2, c.bytesPerPixel, c.mostSignificantFirst, row.data());
        EXPECT_EQ(row, c.row) << c.bytesPerPixel << " bytes, most significant first "
                              << c.mostSignificantFirst;
    }
}

}  // namespace
