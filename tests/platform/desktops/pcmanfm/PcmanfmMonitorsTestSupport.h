#pragma once

#include <gtest/gtest.h>

#include <exception>
#include <string>

#include "platform/linux/LinuxCore.h"
#include "tests/platform/desktops/DesktopTestSupport.h"
#include "tests/platform/desktops/SplitScreen.h"

namespace desktop_test {

// On the fixture's 640x400 screen split into two 320x400 monitors: a picture for each, placed
// where its monitor lies and filled to it (a band along the top of the square second picture
// keeps a tenth of the monitor's height), then one picture for all again.
inline void ExpectEachMonitorsPictureThenOneForAll(LinuxCore& core, const std::string& folder) {
    const SplitScreen split(320, 320);
    ASSERT_EQ(core.CountMonitors(), 2u);
    MakeSolidImage(folder + "/red.bmp", "red", 40, 40);
    Shell("convert -size 40x40 xc:blue -fill yellow -draw 'rectangle 0,0 39,3' BMP3:" +
          Quote(folder + "/banded.bmp"));
    EXPECT_FALSE(SetEach(core, {folder + "/red.bmp", folder + "/banded.bmp"}));
    EXPECT_EQ(WaitForPixel(kX11Shot, 480, 200, "0000FF"), "0000FF");
    EXPECT_EQ(PixelOf(kX11Shot, 480, 20), "FFFF00");
    EXPECT_EQ(PixelOf(kX11Shot, 480, 60), "0000FF");
    EXPECT_EQ(PixelOf(kX11Shot, 160, 20), "FF0000");
    EXPECT_EQ(PixelOf(kX11Shot, 310, 390), "FF0000");

    core.SetWallpaper(FromUtf8(folder + "/red.bmp"));
    EXPECT_EQ(WaitForPixel(kX11Shot, 480, 200, "FF0000"), "FF0000");
}

}  // namespace desktop_test
