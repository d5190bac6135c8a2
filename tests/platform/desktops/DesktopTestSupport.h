#pragma once

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <exception>
#include <fstream>
#include <functional>
#include <mutex>
#include <set>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "model/CoreError.h"
#include "platform/CoreInterface.h"
#include "platform/linux/converter/RgbImage.h"
#include "tests/platform/PlatformTestSupport.h"
#include "tests/support/WaitUntil.h"

namespace desktop_test {

using platform_test::Capture;
using platform_test::Quote;
using platform_test::Shell;
using platform_test::Trimmed;

// A folder name that breaks any path spliced into a shell line, a URI, a script or a desktop's
// command language: quotes, blanks, a backslash, '$', '`', ';', '#', '%', a command
// substitution, and letters beyond ASCII (two bytes, three bytes and four bytes in UTF-8).
inline std::string HostileFolderName() {
    return "it's \"a\" \\b $(touch vornk-injected) `id` ;c #%20 "
           "\xC3\xA9\xE6\x97\xA5\xF0\x9F\x8E\xA8";
}

// A change with an image for each monitor; the cores of these tests finish it before returning.
inline std::exception_ptr SetEach(CoreInterface& core, const std::vector<std::string>& images) {
    std::vector<WideString> paths;
    for (const std::string& image : images) {
        paths.push_back(FromUtf8(image));
    }
    std::exception_ptr outcome;
    core.StartSetWallpapers(paths, [&](std::exception_ptr error) { outcome = error; });
    return outcome;
}

// A pixel as ImageMagick writes its colour, "FF0000" for red.
inline std::string HexColour(const RgbImage& image, int x, int y) {
    const std::uint8_t* pixel = image.Pixel(x, y);
    char hex[7];
    std::snprintf(hex, sizeof hex, "%02X%02X%02X", pixel[0], pixel[1], pixel[2]);
    return hex;
}

// A picture of one colour (an ImageMagick colour name), as a 24-bit BMP DevIL reads.
inline void MakeSolidImage(const std::string& path, const std::string& colour, int width,
                           int height) {
    Shell("convert -size " + std::to_string(width) + "x" + std::to_string(height) +
          " xc:" + colour + " BMP3:" + Quote(path));
}

// The colour of one pixel of a screenshot as ImageMagick's hex (for example "FF0000"), or ""
// when no screenshot could be taken. `shooter` writes the screenshot to its standard output.
inline std::string PixelOf(const std::string& shooter, int x, int y) {
    try {
        std::string hex = Capture(shooter + " 2>/dev/null | convert - -format '%[hex:p{" +
                                  std::to_string(x) + "," + std::to_string(y) + "}]' info:");
        return hex.substr(0, 6);
    } catch (const std::exception&) {
        return "";
    }
}

// The X root window (DISPLAY) and a wlroots compositor's screen (WAYLAND_DISPLAY).
inline const char* const kX11Shot = "xwd -root -silent | convert xwd:- ppm:-";
inline const char* const kWaylandShot = "grim -t ppm -";

// Waits until the pixel shows `hex`; the colour last seen otherwise.
inline std::string WaitForPixel(const std::string& shooter, int x, int y, const std::string& hex) {
    std::string seen;
    WaitUntil([&] {
        seen = PixelOf(shooter, x, y);
        return seen == hex;
    });
    return seen;
}

// Waits until the pixel has left `old` and kept one colour for a second: a desktop that draws
// in steps has finished.
inline bool WaitForSteadyPixel(const std::string& shooter, int x, int y, const std::string& old) {
    std::string steady = old;
    auto since = std::chrono::steady_clock::now();
    return WaitUntil([&] {
        const std::string seen = PixelOf(shooter, x, y);
        const auto now = std::chrono::steady_clock::now();
        if (seen != steady) {
            steady = seen;
            since = now;
        }
        return steady != old && now - since >= std::chrono::seconds(1);
    });
}

// Takes screenshots of one pixel until told to stop: the colours the screen showed there
// during a change. A screenshot that failed (xwd loses a window that closed while it looked)
// saw no colour at all.
class PixelWatch final {
public:
    PixelWatch(std::string shooter, int x, int y)
        : thread([this, shooter = std::move(shooter), x, y] {
              while (!stopped) {
                  const std::string seen = PixelOf(shooter, x, y);
                  if (seen.empty()) {
                      continue;
                  }
                  const std::lock_guard<std::mutex> lock(mutex);
                  colours.insert(seen);
              }
          }) {}
    ~PixelWatch() { Stop(); }
    PixelWatch(const PixelWatch&) = delete;
    PixelWatch& operator=(const PixelWatch&) = delete;

    std::set<std::string> Stop() {
        stopped = true;
        if (thread.joinable()) {
            thread.join();
        }
        return colours;
    }

private:
    std::atomic<bool> stopped{false};
    std::mutex mutex;
    std::set<std::string> colours;
    std::thread thread;
};

// Changes the picture to `image`, of one colour, and watches one pixel: it ends up `hex`, and
// meanwhile the screen shows the old picture or the new one, never a blank background.
inline void ExpectShownWithoutGap(CoreInterface& core, const std::string& shooter, int x, int y,
                                  const std::string& image, const std::string& colour,
                                  const std::string& hex) {
    const std::string before = PixelOf(shooter, x, y);
    PixelWatch watch(shooter, x, y);
    core.SetWallpaper(FromUtf8(image));
    EXPECT_EQ(WaitForPixel(shooter, x, y, hex), hex) << colour;
    for (const std::string& seen : watch.Stop()) {
        EXPECT_TRUE(seen == before || seen == hex)
            << seen << " between " << before << " and " << hex;
    }
}

inline std::string SizeOf(const std::string& picture) {
    return Capture("identify -format %wx%h " + Quote(picture));
}

// A picture larger than the monitors (a yellow quarter above blue) reaches a desktop that reads a
// file at their size, beside the bitmap in `settings`, and the desktop fills them with it as it
// would with the bitmap: cropped at the top and bottom, the yellow ends at row 40. A smaller
// picture then goes as the bitmap, and the monitors' picture goes.
inline void ExpectLargePictureHandedAtMonitorsSize(CoreInterface& core, const std::string& shooter,
                                                   const std::string& settings, int width,
                                                   int height) {
    const std::string pictures = settings.substr(0, settings.rfind('/'));
    const std::string banded = pictures + "/banded.png";
    Shell("convert -size 2400x600 xc:yellow -size 2400x1800 xc:blue -append " + Quote(banded));
    ExpectShownWithoutGap(core, shooter, width / 2, height / 2, banded, "blue band", "0000FF");
    EXPECT_EQ(PixelOf(shooter, width / 2, 20), "FFFF00");
    EXPECT_EQ(PixelOf(shooter, width / 2, 60), "0000FF");
    const std::string screenPicture = settings + "/wallpaper-screen.bmp";
    EXPECT_EQ(SizeOf(screenPicture), std::to_string(width) + "x" + std::to_string(height));
    EXPECT_EQ(SizeOf(settings + "/wallpaper.bmp"), "2400x2400");

    const std::string small = pictures + "/red.png";
    Shell("convert -size 40x40 xc:red " + Quote(small));
    ExpectShownWithoutGap(core, shooter, width / 2, height / 2, small, "red", "FF0000");
    EXPECT_FALSE(std::ifstream(screenPicture).good());
}

// A backend that cannot show the picture says so with the one message the program shows.
inline void ExpectCantChangeWallpaper(const std::function<void()>& change) {
    try {
        change();
        ADD_FAILURE() << "the change was reported as done";
    } catch (const CoreError& error) {
        EXPECT_STREQ(error.what(), "Can't change desktop wallpaper");
    }
}

}  // namespace desktop_test
