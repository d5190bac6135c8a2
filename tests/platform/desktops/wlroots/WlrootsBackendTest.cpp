// The wlroots backend against a real headless sway that leaves the background to clients, as
// other wlroots compositors do (CTest fixture "wlroots_desktop"), with Debian's swaybg;
// screenshots taken with grim.
#include <gtest/gtest.h>

#include <boost/filesystem.hpp>

#include <string>

#include "platform/linux/LinuxCore.h"
#include "platform/linux/desktops/wlroots/WlrootsBackend.h"
#include "tests/platform/desktops/WaylandTestSupport.h"
#include "tests/support/FixtureEnvironment.h"

namespace {

using namespace desktop_test;
using platform_test::TemporaryFolder;

TEST(WlrootsBackendTest, ANewSwaybgReplacesTheOldOne) {
    ASSERT_TRUE(UseFixtureEnvironment());
    TemporaryFolder folder;
    LinuxCore core{SessionEnvironment(Session({"WAYLAND_DISPLAY"}))};
    core.SetSettingsFolder(FromUtf8(folder / HostileFolderName()));
    ShowInTurn(core, folder);
    EXPECT_EQ(SwaybgCount(folder.Path().string()), 1);

    // Where swaybg cannot show a picture (here: no compositor), the one shown stays.
    const std::string compositor = std::getenv("WAYLAND_DISPLAY");
    setenv("WAYLAND_DISPLAY", "vornk-no-such-compositor", 1);
    ExpectCantChangeWallpaper([&] { WlrootsBackend().ShowWallpaper(folder / "red.bmp"); });
    setenv("WAYLAND_DISPLAY", compositor.c_str(), 1);
    EXPECT_EQ(PixelOf(kWaylandShot, 640, 360), "FF0000");
    EXPECT_EQ(SwaybgCount(folder.Path().string()), 1);
    // swaybg ends with the compositor when the fixture stops.
}

}  // namespace
