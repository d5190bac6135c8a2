// The sway backend against a real headless sway (CTest fixture "sway_desktop") that draws a
// background from its configuration, as sway users have it; screenshots taken with grim. sway
// refuses root, so the fixture runs it as nobody.
#include <gtest/gtest.h>

#include <boost/filesystem.hpp>

#include <exception>
#include <string>
#include <vector>

#include "model/CoreError.h"
#include "platform/linux/LinuxCore.h"
#include "tests/platform/desktops/WaylandTestSupport.h"
#include "tests/support/FixtureEnvironment.h"

namespace {

using namespace desktop_test;
using platform_test::TemporaryFolder;

TEST(SwayBackendTest, EachChangeReplacesTheBackgroundSwayDraws) {
    ASSERT_TRUE(UseFixtureEnvironment());
    TemporaryFolder folder;
    const std::string settings = folder / HostileFolderName();
    LinuxCore core{SessionEnvironment(Session({"SWAYSOCK", "WAYLAND_DISPLAY"}))};
    core.SetSettingsFolder(FromUtf8(settings));
    ShowInTurn(core, folder);
    // sway expands a background's file name like a shell; our path never reaches it.
    const std::string runtime = std::getenv("XDG_RUNTIME_DIR");
    EXPECT_FALSE(boost::filesystem::exists(runtime + "/vornk-injected"));
    EXPECT_EQ(boost::filesystem::read_symlink(runtime + "/vornk-wallpaper.bmp").string(),
              settings + "/wallpaper.bmp");
}

// A second headless output while it lives: sway cannot remove one, so it is switched off.
class SecondOutput final {
public:
    SecondOutput() {
        Shell("swaymsg -q create_output");
        name =
            Trimmed(Capture("swaymsg -t get_outputs -r | grep -o '\"name\": \"[^\"]*' | "
                            "tail -n 1 | cut -d'\"' -f4"));
        Shell("swaymsg -q output " + name + " mode 800x1280");
    }
    ~SecondOutput() { Shell("swaymsg -q output " + name + " disable"); }
    SecondOutput(const SecondOutput&) = delete;
    SecondOutput& operator=(const SecondOutput&) = delete;

    std::string name;
};

// The swaybg processes the program started on this sway (not sway's own, nor those of the
// other compositor's tests, which may run at the same time).
void StopOurSwaybgs() {
    Shell(
        "for p in $(pgrep -f '^swaybg --output '); do grep -qzx "
        "\"XDG_RUNTIME_DIR=$XDG_RUNTIME_DIR\" /proc/$p/environ && kill $p; done; true");
}

TEST(SwayBackendTest, ALargePictureIsHandedAtTheOutputsSize) {
    ASSERT_TRUE(UseFixtureEnvironment());
    StopOurSwaybgs();  // an earlier test's, which would cover ours
    TemporaryFolder folder;
    LinuxCore core{SessionEnvironment(Session({"SWAYSOCK", "WAYLAND_DISPLAY"}))};
    const std::string settings = folder / "settings";
    core.SetSettingsFolder(FromUtf8(settings));
    ExpectLargePictureHandedAtMonitorsSize(core, kWaylandShot, settings, 1280, 720);
}

std::string OutputPixel(const std::string& output, int x, int y) {
    return PixelOf("grim -t ppm -o " + output + " -", x, y);
}

// Each output shows its own picture, filled to its size (a portrait output beside the first),
// and one picture for all reaches both again, in sway's own background too, and leaves no file
// of the monitors behind.
TEST(SwayBackendTest, EachOutputShowsItsOwnPictureUntilOnePictureIsForAll) {
    ASSERT_TRUE(UseFixtureEnvironment());
    // The swaybg that an earlier test left for its own folder would stay above ours.
    StopOurSwaybgs();
    TemporaryFolder folder;
    const std::string settings = folder / HostileFolderName();
    LinuxCore core{SessionEnvironment(Session({"SWAYSOCK", "WAYLAND_DISPLAY"}))};
    core.SetSettingsFolder(FromUtf8(settings));
    for (const char* colour : {"red", "blue", "lime"}) {
        MakeSolidImage(folder / (std::string(colour) + ".bmp"), colour, 40, 40);
    }
    EXPECT_EQ(core.CountMonitors(), 1u);
    {
        const SecondOutput second;
        EXPECT_EQ(core.CountMonitors(), 2u);
        EXPECT_FALSE(SetEach(core, {folder / "red.bmp", folder / "blue.bmp"}));
        EXPECT_TRUE(WaitUntil([&] { return OutputPixel("HEADLESS-1", 1270, 10) == "FF0000"; }));
        EXPECT_TRUE(WaitUntil([&] { return OutputPixel(second.name, 790, 1270) == "0000FF"; }));
        EXPECT_EQ(Capture("identify -format %wx%h " + Quote(settings + "/wallpaper-monitor-2.bmp")),
                  "800x1280");
        EXPECT_EQ(SwaybgCount(settings), 1);

        core.SetWallpaper(FromUtf8(folder / "lime.bmp"));
        EXPECT_TRUE(WaitUntil([&] { return OutputPixel(second.name, 400, 640) == "00FF00"; }));
        EXPECT_TRUE(WaitUntil([&] { return OutputPixel("HEADLESS-1", 640, 360) == "00FF00"; }));
        EXPECT_FALSE(boost::filesystem::exists(settings + "/wallpaper-monitor-2.bmp"));
        EXPECT_EQ(SwaybgCount(settings), 1);
        // sway's own background, below ours, shows the same should ours end.
        StopOurSwaybgs();
        EXPECT_TRUE(WaitUntil([&] { return OutputPixel(second.name, 400, 640) == "00FF00"; }));
    }
}

}  // namespace
