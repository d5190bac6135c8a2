// Plasma on Wayland with two 1280x800 outputs side by side (CTest
// "real_desktop_plasma_wayland_monitors", desktop-fixture.sh): the desktops tell their screens,
// and KWin's own screenshot of the workspace shows each output with its picture.
#include <gtest/gtest.h>

#include <QColor>
#include <QImage>
#include <QPoint>
#include <QString>

#include <boost/filesystem/operations.hpp>

#include <chrono>
#include <cmath>
#include <string>
#include <vector>

#include "platform/linux/LinuxCore.h"
#include "tests/platform/desktops/DesktopTestSupport.h"
#include "tests/support/FixtureEnvironment.h"
#include "tests/support/KWinScreenCapture.h"

namespace {

using namespace desktop_test;
using platform_test::TemporaryFolder;

// Near both edges of each output, away from the panel at the bottom.
const std::vector<QPoint> kPoints{{20, 300}, {1260, 300}, {1300, 300}, {2540, 300}};

bool IsNear(const QColor& seen, const QColor& expected) {
    return std::hypot(seen.red() - expected.red(), seen.green() - expected.green(),
                      seen.blue() - expected.blue()) < 12;
}

// Waits out Plasma's cross-fade until each point shows its colour; the colours last seen, by
// name, otherwise.
std::string WaitForColours(const std::vector<QColor>& expected) {
    std::string seen;
    const bool shown = WaitUntil(
        [&] {
            const QImage workspace = KWinScreenCapture::Workspace();
            seen.clear();
            bool all = true;
            for (std::size_t index = 0; index < kPoints.size(); ++index) {
                const QColor colour = workspace.valid(kPoints[index])
                                          ? workspace.pixelColor(kPoints[index])
                                          : QColor();
                seen += colour.name().toStdString() + " ";
                all = all && colour.isValid() && IsNear(colour, expected[index]);
            }
            return all;
        },
        std::chrono::seconds(20));
    return shown ? "shown" : seen;
}

TEST(PlasmaWaylandMonitorsTest, EachOutputShowsItsOwnPictureThenOneForBoth) {
    ASSERT_TRUE(UseFixtureEnvironment());
    TemporaryFolder folder;
    LinuxCore core{SessionEnvironment::FromProcess()};
    const std::string settings = folder / HostileFolderName();
    core.SetSettingsFolder(FromUtf8(settings));
    ASSERT_EQ(core.CountMonitors(), 2u);
    MakeSolidImage(folder / "red.bmp", "red", 40, 30);
    MakeSolidImage(folder / "blue.bmp", "blue", 30, 40);
    const QColor red(Qt::red);
    const QColor blue(Qt::blue);

    EXPECT_FALSE(SetEach(core, {folder / "red.bmp", folder / "blue.bmp"}));
    EXPECT_EQ(WaitForColours({red, red, blue, blue}), "shown");

    core.SetWallpaper(FromUtf8(folder / "blue.bmp"));
    EXPECT_EQ(WaitForColours({blue, blue, blue, blue}), "shown");
    EXPECT_FALSE(boost::filesystem::exists(settings + "/wallpaper-monitor-1.bmp"));
    EXPECT_FALSE(boost::filesystem::exists(settings + "/wallpaper-monitor-2.bmp"));
}

}  // namespace
