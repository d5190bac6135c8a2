// The LXQt backend against a real pcmanfm-qt drawing the desktop on its own X server (CTest
// fixture "lxqt_desktop").
#include <gtest/gtest.h>

#include <boost/filesystem.hpp>

#include <iterator>
#include <string>

#include "platform/linux/LinuxCore.h"
#include "platform/linux/desktops/pcmanfm/PcmanfmBackend.h"
#include "tests/platform/desktops/DesktopTestSupport.h"
#include "tests/platform/desktops/pcmanfm/PcmanfmMonitorsTestSupport.h"
#include "tests/support/FixtureEnvironment.h"

namespace {

using namespace desktop_test;
using platform_test::TemporaryFolder;

TEST(PcmanfmQtBackendTest, EachChangeToTheSameBitmapPathIsDrawn) {
    ASSERT_TRUE(UseFixtureEnvironment());
    TemporaryFolder folder;
    const std::string settings = folder / HostileFolderName();
    LinuxCore core{SessionEnvironment({{"XDG_CURRENT_DESKTOP", "LXQt"}, {"DISPLAY", ":0"}})};
    core.SetSettingsFolder(FromUtf8(settings));
    // Square pictures on a 640x400 screen fill it, as on the other desktops: no bars at the
    // sides in the desktop's colour (black), and only one screen-sized picture beside the bitmap.
    const std::pair<const char*, const char*> changes[] = {
        {"red", "FF0000"}, {"blue", "0000FF"}, {"red", "FF0000"}, {"lime", "00FF00"}};
    for (const auto& [colour, hex] : changes) {
        const std::string image = folder / (std::string(colour) + ".bmp");
        MakeSolidImage(image, colour, 40, 40);
        ExpectShownWithoutGap(core, kX11Shot, 320, 200, image, colour, hex);
        EXPECT_EQ(PixelOf(kX11Shot, 4, 200), hex) << colour << " at the side";
    }
    // Scaled by 16 to 640x640 and cropped by 120 rows at the top and bottom: the yellow top
    // quarter ends at row 40 (stretched, it would end at row 100).
    const std::string banded = folder / "banded.bmp";
    Shell("convert -size 40x10 xc:yellow -size 40x30 xc:blue -append BMP3:" + Quote(banded));
    ExpectShownWithoutGap(core, kX11Shot, 320, 70, banded, "blue band", "0000FF");
    EXPECT_EQ(PixelOf(kX11Shot, 320, 20), "FFFF00");
    EXPECT_EQ(std::distance(boost::filesystem::directory_iterator(settings),
                            boost::filesystem::directory_iterator()),
              2);
    // What pcmanfm-qt keeps for the next login is the plain path, not the respelled one
    // (quoted, as the folder name holds quotes).
    const std::string config =
        std::string(std::getenv("XDG_CONFIG_HOME")) + "/pcmanfm-qt/default/settings.conf";
    std::string saved;
    EXPECT_TRUE(WaitUntil([&] {
        saved = platform_test::ReadFile(config);
        return saved.find("/wallpaper-screen.bmp\"\n") != std::string::npos;
    })) << saved;
    EXPECT_EQ(saved.find("/./wallpaper-screen.bmp"), std::string::npos) << saved;
}

TEST(PcmanfmQtBackendTest, EachMonitorShowsItsOwnPictureThenOneForAll) {
    ASSERT_TRUE(UseFixtureEnvironment());
    TemporaryFolder folder;
    LinuxCore core{SessionEnvironment({{"XDG_CURRENT_DESKTOP", "LXQt"}, {"DISPLAY", ":0"}})};
    core.SetSettingsFolder(FromUtf8(folder.Path().string()));
    ExpectEachMonitorsPictureThenOneForAll(core, folder.Path().string());
}

TEST(PcmanfmQtBackendTest, AMissingFileManagerIsAFailure) {
    ExpectCantChangeWallpaper([] {
        PcmanfmBackend("LXQt", "vornk-no-such-file-manager", "fit", "fit")
            .ShowWallpaper("/tmp/w.bmp");
    });
}

}  // namespace
