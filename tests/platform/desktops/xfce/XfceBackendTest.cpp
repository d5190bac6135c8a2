// The XFCE backend against a real xfconfd on a private session bus and a real xfdesktop drawing
// on its own X server (CTest fixture "xfce_desktop"): what the screen shows after each change,
// and what xfconf holds.
#include <gtest/gtest.h>

#include <boost/filesystem/operations.hpp>

#include <exception>
#include <string>

#include "model/CoreError.h"
#include "platform/linux/LinuxCore.h"
#include "tests/platform/desktops/DesktopTestSupport.h"
#include "tests/platform/desktops/SplitScreen.h"
#include "tests/support/FixtureEnvironment.h"

namespace {

using namespace desktop_test;
using platform_test::ReadFile;
using platform_test::TemporaryFolder;

// Xvfb's one RandR output is called "screen"; without a window manager there is one workspace.
constexpr char kWorkspace[] = "/backdrop/screen0/monitorscreen/workspace0";

std::string Xfconf(const std::string& property) {
    return Trimmed(Capture("xfconf-query -c xfce4-desktop -p " + Quote(property)));
}

std::string BackdropProperties() {
    return Capture("xfconf-query -c xfce4-desktop -l 2>/dev/null || true");
}

class XfceBackendTest : public testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(UseFixtureEnvironment());
        core.SetSettingsFolder(FromUtf8(settings));
        // Square pictures on a 640x400 screen: only a fill that keeps the aspect ratio covers
        // the corners.
        for (const char* colour : {"red", "blue", "lime"}) {
            MakeSolidImage(folder / (std::string(colour) + ".bmp"), colour, 40, 40);
        }
    }

    // The same bitmap path each time, with new content; never xfdesktop's bare background.
    void Show(const std::string& colour, const std::string& hex) {
        ExpectShownWithoutGap(core, kX11Shot, 320, 200, folder / (colour + ".bmp"), colour, hex);
        EXPECT_EQ(PixelOf(kX11Shot, 2, 2), hex) << colour << " in the corner";
    }

    TemporaryFolder folder;
    const std::string settings = folder / HostileFolderName();
    LinuxCore core{SessionEnvironment({{"XDG_CURRENT_DESKTOP", "XFCE"}, {"DISPLAY", ":0"}})};
};

TEST_F(XfceBackendTest, EachChangeToTheSameBitmapPathIsDrawn) {
    Show("red", "FF0000");
    Show("blue", "0000FF");
    Show("red", "FF0000");
    EXPECT_EQ(Xfconf(std::string(kWorkspace) + "/last-image"), settings + "/wallpaper.bmp");
    EXPECT_EQ(Xfconf(std::string(kWorkspace) + "/image-style"), "5");
}

TEST_F(XfceBackendTest, MonitorPropertiesAreCreatedWhenThereAreNone) {
    Show("red", "FF0000");
    Shell("xfconf-query -c xfce4-desktop -p /backdrop -r -R");
    ASSERT_EQ(BackdropProperties().find("last-image"), std::string::npos);
    // xfdesktop answers the removal by drawing its own default, colour first and picture later.
    ASSERT_TRUE(WaitForSteadyPixel(kX11Shot, 320, 200, "FF0000"));

    Show("lime", "00FF00");
    EXPECT_EQ(Xfconf(std::string(kWorkspace) + "/last-image"), settings + "/wallpaper.bmp");
    EXPECT_EQ(Xfconf(std::string(kWorkspace) + "/image-style"), "5");
    Show("blue", "0000FF");
}

TEST_F(XfceBackendTest, EveryExistingWorkspaceIsSet) {
    const std::string other = "/backdrop/screen0/monitorscreen/workspace3/last-image";
    Shell("xfconf-query -c xfce4-desktop -n -t string -p " + other + " -s /nonexistent.png");
    Show("red", "FF0000");
    EXPECT_EQ(Xfconf(other), settings + "/wallpaper.bmp");
}

// A picture larger than the screen reaches xfdesktop at the screen's size, the bitmap stays whole,
// and a failed change touches neither; a smaller one is enlarged by xfdesktop as before.
TEST_F(XfceBackendTest, ALargePictureIsHandedAtTheScreensSize) {
    // Scaled to 640x640 and cropped by 120 rows at the top and bottom: the yellow top quarter
    // ends at row 40.
    const std::string banded = folder / "banded.png";
    Shell("convert -size 1200x300 xc:yellow -size 1200x900 xc:blue -append " + Quote(banded));
    ExpectShownWithoutGap(core, kX11Shot, 320, 200, banded, "blue band", "0000FF");
    EXPECT_EQ(PixelOf(kX11Shot, 320, 20), "FFFF00");
    EXPECT_EQ(PixelOf(kX11Shot, 320, 60), "0000FF");
    const std::string bitmap = settings + "/wallpaper.bmp";
    const std::string screenPicture = settings + "/wallpaper-screen.bmp";
    EXPECT_EQ(Xfconf(std::string(kWorkspace) + "/last-image"), screenPicture);
    EXPECT_EQ(SizeOf(screenPicture), "640x400");
    EXPECT_EQ(SizeOf(bitmap), "1200x1200");

    const std::string bitmapBefore = ReadFile(bitmap);
    const std::string screenPictureBefore = ReadFile(screenPicture);
    const std::string damaged = folder / "damaged.png";
    platform_test::WriteFile(damaged, ReadFile(banded).substr(0, 100));
    EXPECT_THROW(core.SetWallpaper(FromUtf8(damaged)), CoreError);
    EXPECT_EQ(ReadFile(bitmap), bitmapBefore);
    EXPECT_EQ(ReadFile(screenPicture), screenPictureBefore);
    EXPECT_EQ(Xfconf(std::string(kWorkspace) + "/last-image"), screenPicture);

    Show("red", "FF0000");
    EXPECT_EQ(Xfconf(std::string(kWorkspace) + "/last-image"), bitmap);
    EXPECT_FALSE(boost::filesystem::exists(screenPicture));
}

// Each monitor fills itself with the whole picture: one picture serves monitors of one size only.
TEST_F(XfceBackendTest, MonitorsOfDifferentSizesGetTheWholeBitmap) {
    const std::string large = folder / "large.png";
    Shell("convert -size 1200x1200 xc:orange " + Quote(large));
    const std::string screenPicture = settings + "/wallpaper-screen.bmp";
    {
        const SplitScreen alike(320, 320);
        core.SetWallpaper(FromUtf8(large));
        EXPECT_EQ(Xfconf(std::string(kWorkspace) + "/last-image"), screenPicture);
        EXPECT_EQ(SizeOf(screenPicture), "320x400");
    }
    const SplitScreen different(400, 240);
    core.SetWallpaper(FromUtf8(large));
    EXPECT_EQ(Xfconf(std::string(kWorkspace) + "/last-image"), settings + "/wallpaper.bmp");
    EXPECT_FALSE(boost::filesystem::exists(screenPicture));
}

// Each monitor's workspaces get its own picture at its size, under the name RandR gives the
// monitor; one picture for all then reaches them again and the monitors' files go.
TEST_F(XfceBackendTest, EachMonitorGetsItsOwnPictureUntilOneIsForAll) {
    const auto lastImage = [](const char* monitor) {
        return Xfconf("/backdrop/screen0/monitor" + std::string(monitor) +
                      "/workspace0/last-image");
    };
    const std::string first = settings + "/wallpaper-monitor-1.bmp";
    const std::string second = settings + "/wallpaper-monitor-2.bmp";
    {
        const SplitScreen split(400, 240);
        EXPECT_EQ(core.CountMonitors(), 2u);
        EXPECT_FALSE(SetEach(core, {folder / "red.bmp", folder / "blue.bmp"}));
        EXPECT_EQ(lastImage("L"), first);
        EXPECT_EQ(lastImage("R"), second);
        EXPECT_EQ(SizeOf(first), "400x400");
        EXPECT_EQ(SizeOf(second), "240x400");
        EXPECT_EQ(Capture("convert " + Quote(second) + " -format '%[hex:p{5,5}]' info:"), "0000FF");
    }
    Show("lime", "00FF00");
    EXPECT_EQ(lastImage("L"), settings + "/wallpaper.bmp");
    EXPECT_FALSE(boost::filesystem::exists(first));
    EXPECT_FALSE(boost::filesystem::exists(second));
}

}  // namespace
