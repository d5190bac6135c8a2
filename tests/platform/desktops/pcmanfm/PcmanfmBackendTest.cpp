// The LXDE backend against a real pcmanfm drawing the desktop on its own X server (CTest
// fixture "lxde_desktop").
#include <gtest/gtest.h>

#include <boost/filesystem/operations.hpp>

#include <string>

#include "platform/linux/LinuxCore.h"
#include "tests/platform/desktops/DesktopTestSupport.h"
#include "tests/platform/desktops/pcmanfm/PcmanfmMonitorsTestSupport.h"
#include "tests/support/FixtureEnvironment.h"

namespace {

using namespace desktop_test;
using platform_test::TemporaryFolder;

TEST(PcmanfmBackendTest, EachChangeToTheSameBitmapPathFillsTheScreen) {
    ASSERT_TRUE(UseFixtureEnvironment());
    TemporaryFolder folder;
    LinuxCore core{SessionEnvironment({{"XDG_CURRENT_DESKTOP", "LXDE"}, {"DISPLAY", ":0"}})};
    core.SetSettingsFolder(FromUtf8(folder / HostileFolderName()));
    // Square pictures with a green band along the top on a 640x400 screen: filled keeping the
    // aspect ratio, the sides show the picture and the band is cut off.
    const std::pair<const char*, const char*> changes[] = {
        {"red", "FF0000"}, {"blue", "0000FF"}, {"red", "FF0000"}};
    for (const auto& [colour, hex] : changes) {
        const std::string image = folder / (std::string(colour) + ".bmp");
        Shell(std::string("convert -size 40x40 xc:") + colour +
              " -fill lime -draw 'rectangle 0,0 39,5' BMP3:" + Quote(image));
        ExpectShownWithoutGap(core, kX11Shot, 320, 200, image, colour, hex);
        EXPECT_EQ(PixelOf(kX11Shot, 40, 200), hex) << colour << " at the side";
        EXPECT_EQ(PixelOf(kX11Shot, 320, 5), hex) << colour << " at the top";
    }
}

TEST(PcmanfmBackendTest, ALargePictureIsHandedAtTheScreensSize) {
    ASSERT_TRUE(UseFixtureEnvironment());
    TemporaryFolder folder;
    LinuxCore core{SessionEnvironment({{"XDG_CURRENT_DESKTOP", "LXDE"}, {"DISPLAY", ":0"}})};
    const std::string settings = folder / "settings";
    core.SetSettingsFolder(FromUtf8(settings));
    ExpectLargePictureHandedAtMonitorsSize(core, kX11Shot, settings, 640, 400);
}

// The spread picture is the screen's, beside the bitmap, and goes with the next change.
TEST(PcmanfmBackendTest, EachMonitorShowsItsOwnPictureThenOneForAll) {
    ASSERT_TRUE(UseFixtureEnvironment());
    TemporaryFolder folder;
    LinuxCore core{SessionEnvironment({{"XDG_CURRENT_DESKTOP", "LXDE"}, {"DISPLAY", ":0"}})};
    core.SetSettingsFolder(FromUtf8(folder.Path().string()));
    ExpectEachMonitorsPictureThenOneForAll(core, folder.Path().string());
    EXPECT_FALSE(boost::filesystem::exists(folder / "wallpaper-screen.bmp"));
}

}  // namespace
