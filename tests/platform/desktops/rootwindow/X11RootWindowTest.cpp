// SetWallpaper end to end on a private Xvfb (the CTest "root_window_display" fixture): the root
// window shows the picture after the call returns, read back by a connection of the test's own.
#include <gtest/gtest.h>

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <bit>
#include <csignal>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include <sys/wait.h>
#include <unistd.h>
#include "tests/platform/PlatformTestSupport.h"

#include "model/CoreError.h"
#include "platform/linux/LinuxCore.h"
#include "platform/linux/x11/X11Connection.h"
#include "platform/linux/x11/X11SharedMemoryImage.h"
#include "tests/platform/desktops/DesktopTestSupport.h"
#include "tests/platform/desktops/SplitScreen.h"
#include "tests/support/TestDisplay.h"

namespace {

using namespace platform_test;
using desktop_test::HexColour;
using desktop_test::SetEach;
using desktop_test::SplitScreen;

struct DisplayCloser {
    void operator()(Display* display) const { XCloseDisplay(display); }
};

class X11RootWindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_FALSE(display.empty()) << "no display from the fixture";
        core.SetSettingsFolder(FromUtf8(folder.Path().string()));
    }

    std::string Bitmap() const { return folder / "wallpaper.bmp"; }

    // The root window's pixels.
    RgbImage Screen() const {
        const std::unique_ptr<Display, DisplayCloser> connection(XOpenDisplay(display.c_str()));
        Display* d = connection.get();
        const int screen = DefaultScreen(d);
        const int width = DisplayWidth(d, screen);
        const int height = DisplayHeight(d, screen);
        XImage* image = XGetImage(d, RootWindow(d, screen), 0, 0, unsigned(width), unsigned(height),
                                  AllPlanes, ZPixmap);
        RgbImage result{width, height, {}};
        const auto channel = [](unsigned long pixel, unsigned long mask) {
            const unsigned long maximum = mask >> std::countr_zero(mask);
            return std::uint8_t(((pixel & mask) >> std::countr_zero(mask)) * 255 / maximum);
        };
        for (int y = 0; y < height; ++y) {
            for (int x = 0; x < width; ++x) {
                const unsigned long pixel = XGetPixel(image, x, y);
                result.pixels.insert(result.pixels.end(), {channel(pixel, image->red_mask),
                                                           channel(pixel, image->green_mask),
                                                           channel(pixel, image->blue_mask)});
            }
        }
        XDestroyImage(image);
        return result;
    }

    // The pixmap ids of _XROOTPMAP_ID and ESETROOT_PMAP_ID, 0 where there is none.
    std::pair<unsigned long, unsigned long> Properties() const {
        const std::unique_ptr<Display, DisplayCloser> connection(XOpenDisplay(display.c_str()));
        Display* d = connection.get();
        const auto read = [d](const char* name) {
            Atom type = None;
            int format = 0;
            unsigned long count = 0;
            unsigned long remaining = 0;
            unsigned char* data = nullptr;
            XGetWindowProperty(d, DefaultRootWindow(d), XInternAtom(d, name, False), 0, 1, False,
                               XA_PIXMAP, &type, &format, &count, &remaining, &data);
            const unsigned long pixmap =
                type == XA_PIXMAP && count == 1 ? *reinterpret_cast<unsigned long*>(data) : 0;
            XFree(data);
            return pixmap;
        };
        return {read("_XROOTPMAP_ID"), read("ESETROOT_PMAP_ID")};
    }

    // Both properties name a pixmap whose connection is closed, so it is gone from the server.
    void PublishGonePixmap() const {
        const std::unique_ptr<Display, DisplayCloser> connection(XOpenDisplay(display.c_str()));
        Display* d = connection.get();
        const Window root = DefaultRootWindow(d);
        const unsigned long pixmap =
            XCreatePixmap(d, root, 1, 1, unsigned(DefaultDepth(d, DefaultScreen(d))));
        for (const char* name : {"_XROOTPMAP_ID", "ESETROOT_PMAP_ID"}) {
            XChangeProperty(d, root, XInternAtom(d, name, False), XA_PIXMAP, 32, PropModeReplace,
                            reinterpret_cast<const unsigned char*>(&pixmap), 1);
        }
        XSync(d, False);
    }

    const std::string display = UseFixtureDisplay();
    TemporaryFolder folder;
    LinuxCore core{SessionEnvironment(std::map<std::string, std::string>{{"DISPLAY", display}})};
};

TEST_F(X11RootWindowTest, ShowsAPngThenAJpegInItsPlace) {
    const RgbImage screen = Screen();
    MakeGradient(folder / "first.png", screen.width, screen.height,
                 "0,0 red 1279,0 yellow 0,799 blue 1279,799 lime");
    Shell("convert -size " + std::to_string(screen.width) + "x" + std::to_string(screen.height) +
          " xc: -sparse-color bilinear '0,0 white 1279,0 black 0,799 orange 1279,799 purple'"
          " -quality 92 " +
          Quote(folder / "second.jpg"));

    core.SetWallpaper(FromUtf8(folder / "first.png"));
    EXPECT_EQ(LargestDifference(Screen(), DecodeWithImageMagick(folder / "first.png")), 0);
    const auto [rootPixmap, esetrootPixmap] = Properties();
    EXPECT_NE(rootPixmap, 0u);
    EXPECT_EQ(rootPixmap, esetrootPixmap);

    core.SetWallpaper(FromUtf8(folder / "second.jpg"));
    EXPECT_LE(LargestDifference(Screen(), DecodeWithImageMagick(folder / "second.jpg")), 6);
    const auto [newRoot, newEsetroot] = Properties();
    EXPECT_NE(newRoot, 0u);
    EXPECT_EQ(newRoot, newEsetroot);
}

TEST_F(X11RootWindowTest, PictureFillsTheScreenKeepingItsAspect) {
    // 200x100, red left half, blue right half: scaled by 8 and cut at both sides.
    Shell("convert -size 100x100 xc:red -size 100x100 xc:blue +append " +
          Quote(folder / "halves.png"));
    core.SetWallpaper(FromUtf8(folder / "halves.png"));
    const RgbImage screen = Screen();
    const int middle = screen.width / 2;
    for (const int y : {0, screen.height / 2, screen.height - 1}) {
        EXPECT_EQ(std::string(reinterpret_cast<const char*>(screen.Pixel(0, y)), 3),
                  std::string("\xff\x00\x00", 3));
        EXPECT_EQ(std::string(reinterpret_cast<const char*>(screen.Pixel(middle - 10, y)), 3),
                  std::string("\xff\x00\x00", 3));
        EXPECT_EQ(std::string(reinterpret_cast<const char*>(screen.Pixel(middle + 10, y)), 3),
                  std::string("\x00\x00\xff", 3));
        EXPECT_EQ(std::string(reinterpret_cast<const char*>(screen.Pixel(screen.width - 1, y)), 3),
                  std::string("\x00\x00\xff", 3));
    }
}

TEST_F(X11RootWindowTest, BadInputLeavesTheBitmapAndTheScreenAsTheyWere) {
    MakeGradient(folder / "good.png", 64, 40, "0,0 red 63,0 yellow 0,39 blue 63,39 lime");
    MakeGradient(folder / "big.jpg", 640, 400, "0,0 red 639,399 blue");
    WriteFile(folder / "empty.jpg", "");
    WriteFile(folder / "text.png", "plain text\n");
    WriteFile(folder / "truncated.jpg", ReadFile(folder / "big.jpg").substr(0, 1000));
    core.SetWallpaper(FromUtf8(folder / "good.png"));
    const std::string bitmap = ReadFile(Bitmap());
    const RgbImage screen = Screen();
    const auto properties = Properties();

    for (const char* name : {"empty.jpg", "text.png", "truncated.jpg", "missing.jpg"}) {
        try {
            core.SetWallpaper(FromUtf8(folder / name));
            ADD_FAILURE() << "no exception for " << name;
        } catch (const CoreError& error) {
            EXPECT_STREQ(error.what(), "Can't load image") << name;
        }
        EXPECT_TRUE(ReadFile(Bitmap()) == bitmap) << name;
        EXPECT_EQ(LargestDifference(Screen(), screen), 0) << name;
        EXPECT_EQ(Properties(), properties) << name;
    }

    // A settings folder that cannot be written (its parent is missing; root writes anywhere).
    core.SetSettingsFolder(FromUtf8(folder / "missing/settings"));
    try {
        core.SetWallpaper(FromUtf8(folder / "big.jpg"));
        ADD_FAILURE() << "no exception";
    } catch (const CoreError& error) {
        EXPECT_STREQ(error.what(), "Can't save image");
    }
    EXPECT_TRUE(ReadFile(Bitmap()) == bitmap);
    EXPECT_EQ(LargestDifference(Screen(), screen), 0);

    // The picture is drawn while the bitmap is written: a bitmap that fails after that (here the
    // real converter's picture, then its "cannot save" exit) brings the picture of before back.
    core.SetSettingsFolder(FromUtf8(folder.Path().string()));
    const std::string converter = std::getenv("VORNK_IMAGE_CONVERTER");
    const std::string failingSave = folder / "failing-save.sh";
    WriteFile(failingSave, "#!/bin/sh\n'" + converter + "' \"$@\" 4>/dev/null\nexit 4\n");
    Shell("chmod +x " + Quote(failingSave));
    setenv("VORNK_IMAGE_CONVERTER", failingSave.c_str(), 1);
    try {
        core.SetWallpaper(FromUtf8(folder / "big.jpg"));
        ADD_FAILURE() << "no exception";
    } catch (const CoreError& error) {
        EXPECT_STREQ(error.what(), "Can't save image");
    }
    setenv("VORNK_IMAGE_CONVERTER", converter.c_str(), 1);
    EXPECT_TRUE(ReadFile(Bitmap()) == bitmap);
    EXPECT_EQ(LargestDifference(Screen(), screen), 0);
    EXPECT_EQ(Properties(), properties);
    core.SetWallpaper(FromUtf8(folder / "big.jpg"));  // the pixmap of before is still whole
    EXPECT_NE(Properties(), properties);
}

// A portrait monitor beside a landscape one, each filled with its own picture keeping its aspect
// ratio: a stripe along a picture's left edge is cut exactly as far as the fill crops it.
// Then the monitors trade places, and a redraw fits the same two pictures to them, in order.
TEST_F(X11RootWindowTest, EachMonitorShowsItsOwnPictureFilledAndRedrawnToNewMonitors) {
    // 300x400 onto 480x800: scaled by 2, 60 columns cut on each side; 45 blue columns keep 30.
    Shell("convert -size 300x400 xc:red -fill blue -draw 'rectangle 0,0 44,399' " +
          Quote(folder / "portrait.png"));
    // 400x200 onto 800x500: scaled by 2.5, 100 columns cut on each side; 60 yellow keep 50.
    Shell("convert -size 400x200 xc:lime -fill yellow -draw 'rectangle 0,0 59,199' " +
          Quote(folder / "landscape.png"));
    EXPECT_EQ(core.CountMonitors(), 1u);
    {
        const SplitScreen split(480, 800, 800, 500);
        EXPECT_EQ(core.CountMonitors(), 2u);
        EXPECT_FALSE(SetEach(core, {folder / "portrait.png", folder / "landscape.png"}));
        const RgbImage screen = Screen();
        EXPECT_EQ(HexColour(screen, 10, 400), "0000FF");
        EXPECT_EQ(HexColour(screen, 50, 400), "FF0000");
        EXPECT_EQ(HexColour(screen, 470, 790), "FF0000");
        EXPECT_EQ(HexColour(screen, 480 + 20, 250), "FFFF00");
        EXPECT_EQ(HexColour(screen, 480 + 80, 250), "00FF00");
        EXPECT_EQ(HexColour(screen, 1270, 490), "00FF00");
        EXPECT_EQ(HexColour(screen, 900, 700), "000000") << "below the landscape monitor";
        // The bitmap is the first picture's, whole.
        const RgbImage bitmap = DecodeWithImageMagick(Bitmap());
        EXPECT_EQ(bitmap.width, 300);
        EXPECT_EQ(bitmap.height, 400);
    }
    // The first picture goes to the first monitor, now the landscape one: 300x400 onto 800x500
    // scales by 8/3 and cuts no column, 45 blue ones become 120. 400x200 onto 480x800 scales
    // by 4 and cuts 560 columns on each side: the yellow ones are gone.
    const SplitScreen traded(800, 480, 500, 800);
    core.RedrawWallpaper({FromUtf8(folder / "unused.png")});
    const RgbImage screen = Screen();
    EXPECT_EQ(HexColour(screen, 110, 250), "0000FF");
    EXPECT_EQ(HexColour(screen, 130, 250), "FF0000");
    EXPECT_EQ(HexColour(screen, 400, 700), "000000") << "below the landscape monitor";
    EXPECT_EQ(HexColour(screen, 800 + 2, 400), "00FF00");
}

// Any image that fails fails the change, and the screen and the bitmap stay as they were; a set
// shorter than the monitors starts over from its first image.
TEST_F(X11RootWindowTest, AFailedImageOfTheSetLeavesScreenAndBitmapAlone) {
    const SplitScreen split(640, 640, 800, 800);
    MakeGradient(folder / "good.png", 64, 80, "0,0 red 63,79 blue");
    WriteFile(folder / "text.png", "plain text\n");
    EXPECT_FALSE(SetEach(core, {folder / "good.png"}));
    const std::string bitmap = ReadFile(Bitmap());
    const RgbImage screen = Screen();
    for (int y : {0, 400, 799}) {
        EXPECT_EQ(HexColour(screen, 100, y), HexColour(screen, 740, y))
            << "the same picture, row " << y;
    }

    for (const std::vector<std::string>& set :
         {std::vector<std::string>{folder / "good.png", folder / "text.png"},
          std::vector<std::string>{folder / "text.png", folder / "good.png"}}) {
        const std::exception_ptr error = SetEach(core, set);
        ASSERT_TRUE(error);
        try {
            std::rethrow_exception(error);
        } catch (const CoreError& failure) {
            EXPECT_STREQ(failure.what(), "Can't load image");
        }
        EXPECT_TRUE(ReadFile(Bitmap()) == bitmap);
        EXPECT_EQ(LargestDifference(Screen(), screen), 0);
    }
}

int processWideErrors = 0;

// The server refuses the requests about a gone pixmap. Those errors belong to the requests that
// asked, never to the process's Xlib error handler, which the toolkit's thread shares.
TEST_F(X11RootWindowTest, AGonePixmapOfBeforeIsIgnoredWithoutTheProcessWideHandler) {
    PublishGonePixmap();
    const auto gone = Properties();
    ASSERT_NE(gone.first, 0u);
    const XErrorHandler previous = XSetErrorHandler([](Display*, XErrorEvent*) {
        ++processWideErrors;
        return 0;
    });
    MakeGradient(folder / "after.png", 64, 40, "0,0 red 63,0 yellow 0,39 blue 63,39 lime");
    EXPECT_NO_THROW(core.SetWallpaper(FromUtf8(folder / "after.png")));
    XSetErrorHandler(previous);
    EXPECT_EQ(processWideErrors, 0);
    const auto [root, esetroot] = Properties();
    EXPECT_NE(root, 0u);
    EXPECT_EQ(root, esetroot);
    const RgbImage screen = Screen();
    EXPECT_EQ(LargestDifference(screen, ScaleToFill(DecodeWithImageMagick(folder / "after.png"),
                                                    screen.width, screen.height)),
              0);
}

// Several names asked at once: each answer belongs to the name asked in its place, and one not
// made yet stays unmade when only existing ones are wanted.
TEST_F(X11RootWindowTest, AtomsAskedTogetherAnswerInTheOrderAsked) {
    X11Connection connection;
    ASSERT_TRUE(connection.IsUsable());
    const std::vector<xcb_atom_t> made =
        connection.Atoms({"VORNK_TEST_FIRST", "WM_NAME", "VORNK_TEST_SECOND"}, false);
    ASSERT_EQ(made.size(), 3u);
    EXPECT_EQ(made[0], connection.Atom("VORNK_TEST_FIRST", true));
    EXPECT_EQ(made[1], xcb_atom_t{XCB_ATOM_WM_NAME});
    EXPECT_EQ(made[2], connection.Atom("VORNK_TEST_SECOND", true));
    EXPECT_NE(made[0], made[2]);
    const std::vector<xcb_atom_t> existing =
        connection.Atoms({"VORNK_TEST_NEVER_MADE", "VORNK_TEST_SECOND"}, true);
    EXPECT_EQ(existing, (std::vector<xcb_atom_t>{XCB_ATOM_NONE, made[2]}));
}

// Pixels written into the shared memory are the ones the server copies into a pixmap, from
// the first row to the last.
TEST_F(X11RootWindowTest, SharedMemoryPixelsReachAPixmap) {
    X11Connection connection;
    const xcb_screen_t* const screen = connection.Screen();
    ASSERT_NE(screen, nullptr);
    ASSERT_EQ(screen->root_depth, 24);
    constexpr std::uint16_t kWidth = 3;
    constexpr std::uint16_t kHeight = 2;
    const std::vector<std::uint32_t> pixels{0x123456, 0xff0000, 0x00ff00,
                                            0x0000ff, 0xabcdef, 0x010203};
    const X11SharedMemoryImage shared(connection, pixels.size() * 4);
    ASSERT_TRUE(shared.IsAttached());
    std::memcpy(shared.Data(), pixels.data(), pixels.size() * 4);
    xcb_connection_t* const c = connection.Get();
    const xcb_pixmap_t pixmap = xcb_generate_id(c);
    const xcb_gcontext_t gc = xcb_generate_id(c);
    connection.Expect(xcb_create_pixmap_checked(c, 24, pixmap, screen->root, kWidth, kHeight));
    connection.Expect(xcb_create_gc_checked(c, gc, pixmap, 0, nullptr));
    connection.Expect(shared.PutInto(pixmap, gc, kWidth, kHeight, 24));
    ASSERT_TRUE(connection.AllSucceeded());
    const auto image = WaitForReply(
        c, xcb_get_image_reply,
        xcb_get_image(c, XCB_IMAGE_FORMAT_Z_PIXMAP, pixmap, 0, 0, kWidth, kHeight, ~0U));
    ASSERT_TRUE(image);
    ASSERT_EQ(xcb_get_image_data_length(image.get()), int(pixels.size() * 4));
    std::vector<std::uint32_t> copied(pixels.size());
    std::memcpy(copied.data(), xcb_get_image_data(image.get()), copied.size() * 4);
    for (std::uint32_t& pixel : copied) {
        pixel &= 0xffffff;
    }
    EXPECT_EQ(copied, pixels);
}

TEST_F(X11RootWindowTest, PngNamedJpgIsShown) {
    const RgbImage screen = Screen();
    MakeGradient("png:" + folder / "download.jpg", screen.width, screen.height,
                 "0,0 cyan 1279,799 magenta");
    core.SetWallpaper(FromUtf8(folder / "download.jpg"));
    EXPECT_EQ(LargestDifference(Screen(), DecodeWithImageMagick("png:" + folder / "download.jpg")),
              0);
}

TEST_F(X11RootWindowTest, TheProgramsCoreUsesTheSessionItRunsIn) {
    for (const char* name :
         {"XDG_CURRENT_DESKTOP", "DESKTOP_SESSION", "WAYLAND_DISPLAY", "XDG_SESSION_TYPE"}) {
        unsetenv(name);
    }
    const std::unique_ptr<CoreInterface> programCore = CreateCore();
    programCore->SetSettingsFolder(FromUtf8(folder.Path().string()));
    const RgbImage screen = Screen();
    MakeGradient(folder / "factory.png", screen.width, screen.height, "0,0 navy 1279,799 gold");
    programCore->SetWallpaper(FromUtf8(folder / "factory.png"));
    EXPECT_EQ(LargestDifference(Screen(), DecodeWithImageMagick(folder / "factory.png")), 0);
}

// An X server of the test's own with a 16-bit screen (5-6-5 colour masks), without shared memory
// and taking requests of at most 4 MB, so that a screen's picture goes over the connection in
// several; stopped at the end.
class PrivateXServer {
public:
    explicit PrivateXServer(const std::string& screen) {
        int pipeEnds[2];
        if (pipe(pipeEnds) != 0) {
            return;
        }
        pid = fork();
        if (pid == 0) {
            close(pipeEnds[0]);
            setsid();
            const std::string fd = std::to_string(pipeEnds[1]);
            execlp("Xvfb", "Xvfb", "-displayfd", fd.c_str(), "-noreset", "-nolisten", "tcp",
                   "-maxbigreqsize", "1", "-extension", "MIT-SHM", "-screen", "0", screen.c_str(),
                   static_cast<char*>(nullptr));
            _exit(127);
        }
        close(pipeEnds[1]);
        std::string number;
        char c = 0;
        while (read(pipeEnds[0], &c, 1) == 1 && c != '\n') {
            number += c;
        }
        close(pipeEnds[0]);
        if (!number.empty()) {
            name = ":" + number;
        }
    }
    ~PrivateXServer() {
        if (pid > 0) {
            kill(pid, SIGTERM);
            waitpid(pid, nullptr, 0);
        }
    }
    PrivateXServer(const PrivateXServer&) = delete;
    PrivateXServer& operator=(const PrivateXServer&) = delete;

    const std::string& Name() const { return name; }

private:
    pid_t pid = -1;
    std::string name;
};

TEST(X11RootWindow16BitTest, PacksPixelsByTheVisualsColourMasks) {
    // 4.6 MB of pixels: two requests, the second from row 1092.
    const PrivateXServer server("1920x1200x16");
    ASSERT_FALSE(server.Name().empty()) << "Xvfb did not start";
    setenv("DISPLAY", server.Name().c_str(), 1);
    TemporaryFolder folder;
    LinuxCore core{
        SessionEnvironment(std::map<std::string, std::string>{{"DISPLAY", server.Name()}})};
    core.SetSettingsFolder(FromUtf8(folder.Path().string()));
    // Colours that 5-6-5 holds exactly: red, green, blue, white in four quadrants.
    Shell(
        "convert -size 960x600 xc:red -size 960x600 xc:lime +append "
        "\\( -size 960x600 xc:blue -size 960x600 xc:white +append \\) -append -depth 8 " +
        Quote(folder / "quadrants.png"));
    core.SetWallpaper(FromUtf8(folder / "quadrants.png"));

    const std::unique_ptr<Display, DisplayCloser> connection(XOpenDisplay(server.Name().c_str()));
    ASSERT_TRUE(connection);
    Display* d = connection.get();
    ASSERT_EQ(DefaultDepth(d, DefaultScreen(d)), 16);
    XImage* image = XGetImage(d, DefaultRootWindow(d), 0, 0, 1920, 1200, AllPlanes, ZPixmap);
    ASSERT_NE(image, nullptr);
    EXPECT_EQ(XGetPixel(image, 300, 300), 0xf800ul);    // red
    EXPECT_EQ(XGetPixel(image, 1500, 300), 0x07e0ul);   // green
    EXPECT_EQ(XGetPixel(image, 300, 900), 0x001ful);    // blue
    EXPECT_EQ(XGetPixel(image, 1500, 1150), 0xfffful);  // white, from the second request
    EXPECT_EQ(XGetPixel(image, 300, 1199), 0x001ful);
    XDestroyImage(image);
}

}  // namespace
