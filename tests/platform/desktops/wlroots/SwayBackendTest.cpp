// The sway backend against a real headless sway (CTest fixture "sway_desktop") that draws a
// background from its configuration, as sway users have it; screenshots taken with grim. sway
// refuses root, so the fixture runs it as nobody.
#include <gtest/gtest.h>

#include <boost/filesystem.hpp>

#include <string>

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

}  // namespace
