#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "model/CoreError.h"
#include "platform/linux/desktops/MonitorComposition.h"
#include "tests/platform/desktops/DesktopTestSupport.h"

namespace {

using desktop_test::HexColour;

MonitorPicture Solid(PictureArea area, std::uint8_t red, std::uint8_t green, std::uint8_t blue) {
    RgbImage picture{area.width, area.height, {}};
    for (int pixel = 0; pixel < area.width * area.height; ++pixel) {
        picture.pixels.insert(picture.pixels.end(), {red, green, blue});
    }
    return {{"", area}, picture};
}

// A portrait monitor left of and above a landscape one that starts below the screen's origin
// (a compositor may place monitors at negative positions): each part where its monitor lies
// relative to the first edges, black in the corner none covers.
TEST(MonitorCompositionTest, SpanningPlacesEachPictureFromTheOuterEdges) {
    const RgbImage composed = MonitorComposition::Spanning(
        {Solid({-30, -10, 30, 50}, 255, 0, 0), Solid({0, 10, 40, 20}, 0, 0, 255)});
    ASSERT_EQ(composed.width, 70);
    ASSERT_EQ(composed.height, 50);
    EXPECT_EQ(HexColour(composed, 0, 0), "FF0000");
    EXPECT_EQ(HexColour(composed, 29, 49), "FF0000");
    EXPECT_EQ(HexColour(composed, 30, 20), "0000FF");
    EXPECT_EQ(HexColour(composed, 69, 39), "0000FF");
    EXPECT_EQ(HexColour(composed, 50, 5), "000000");
    EXPECT_EQ(HexColour(composed, 50, 45), "000000");
}

// A picture past the longest side would not be shown: the change fails instead of allocating it.
TEST(MonitorCompositionTest, SidesOverTheLongestAreRefused) {
    const int longest = MonitorComposition::kLongestSide;
    const std::vector<MonitorPicture> farApart{Solid({0, 0, 1, 1}, 1, 1, 1),
                                               Solid({longest, 0, 1, 1}, 1, 1, 1)};
    EXPECT_THROW(MonitorComposition::Spanning(farApart), CoreError);
    const std::vector<MonitorPicture> justFits{Solid({0, 0, 1, 1}, 1, 1, 1),
                                               Solid({longest - 1, 0, 1, 1}, 1, 1, 1)};
    EXPECT_EQ(MonitorComposition::Spanning(justFits).width, longest);
    EXPECT_THROW(MonitorComposition::OnScreen(justFits, {longest + 1, 1}), CoreError);
}

}  // namespace
