// GNOME Shell on Wayland with a landscape monitor and a portrait one to its right (CTest
// "real_desktop_gnome_wayland_monitors", desktop-fixture.sh): the compositor tells the monitors,
// and its own screenshot shows each with its picture.
#include <gtest/gtest.h>

#include <exception>
#include <string>
#include <tuple>
#include <vector>

#include "platform/linux/LinuxCore.h"
#include "tests/platform/desktops/DesktopTestSupport.h"
#include "tests/support/FixtureEnvironment.h"

namespace {

using namespace desktop_test;
using platform_test::TemporaryFolder;

// Both monitors, left to right, as the shell draws them.
std::string ShellScreenshot(const std::string& file) {
    return "gdbus call --session --dest org.gnome.Shell --object-path /org/gnome/Shell/Screenshot "
           "--method org.gnome.Shell.Screenshot.Screenshot false false " +
           Quote(file) + " >/dev/null && cat " + Quote(file);
}

std::string PictureOptions() {
    return Trimmed(Capture("gsettings get org.gnome.desktop.background picture-options"));
}

TEST(GnomeWaylandMonitorsTest, EachMonitorShowsItsOwnPictureThenOneForBoth) {
    ASSERT_TRUE(UseFixtureEnvironment());
    TemporaryFolder folder;
    const std::string shot = ShellScreenshot(folder / "shot.png");
    LinuxCore core{SessionEnvironment::FromProcess()};
    core.SetSettingsFolder(FromUtf8(folder.Path().string()));
    ASSERT_EQ(core.CountMonitors(), 2u);
    // Wider than the portrait monitor: filled, the yellow sides are cut off there.
    Shell(
        "convert -size 60x40 xc:blue -fill yellow -draw 'rectangle 0,0 9,39' "
        "-draw 'rectangle 50,0 59,39' BMP3:" +
        Quote(folder / "blue.bmp"));
    MakeSolidImage(folder / "red.bmp", "red", 40, 40);

    std::exception_ptr outcome;
    core.StartSetWallpapers({FromUtf8(folder / "red.bmp"), FromUtf8(folder / "blue.bmp")},
                            [&](std::exception_ptr error) { outcome = error; });
    EXPECT_FALSE(outcome);
    EXPECT_EQ(PictureOptions(), "'spanned'");
    // 1280x800, then 600x800 from x 1280; the top bar covers the top of the first.
    EXPECT_EQ(WaitForPixel(shot, 1285, 400, "0000FF"), "0000FF");
    for (const auto& [x, y, hex] :
         std::vector<std::tuple<int, int, std::string>>{{5, 795, "FF0000"},
                                                        {1275, 400, "FF0000"},
                                                        {1580, 400, "0000FF"},
                                                        {1875, 795, "0000FF"}}) {
        EXPECT_EQ(PixelOf(shot, x, y), hex) << x << "," << y;
    }

    core.SetWallpaper(FromUtf8(folder / "red.bmp"));
    EXPECT_EQ(PictureOptions(), "'zoom'");
    EXPECT_EQ(WaitForPixel(shot, 1580, 400, "FF0000"), "FF0000");
}

}  // namespace
