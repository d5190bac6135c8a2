// The GNOME backend against Debian's real org.gnome.desktop.background schema, with a private
// keyfile GSettings backend in a temporary folder; values are read back by separate processes.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <map>
#include <string>
#include <vector>

#include "platform/linux/LinuxCore.h"
#include "platform/linux/desktops/gsettings/GSettingsPictureWriter.h"
#include "tests/platform/desktops/DesktopTestSupport.h"
#include "tests/platform/desktops/gsettings/GSettingsTestSupport.h"

namespace {

using namespace platform_test;
using namespace gsettings_test;

std::string Gsettings(const std::string& key) {
    return Trimmed(Capture("gsettings get org.gnome.desktop.background " + key));
}

std::string Probe(const std::string& environment, const std::string& bitmap) {
    return Trimmed(Capture(environment + " " + Quote(VORNK_PLATFORM_PROBE) + " gnome " +
                           Quote(bitmap) + " 2>/dev/null"));
}

// A bitmap for the probe, alone in a folder of its own.
std::string BitmapIn(const TemporaryFolder& folder) {
    MakeGradient(folder / "wallpaper.bmp", 4, 4, "0,0 red 3,3 blue");
    return folder / "wallpaper.bmp";
}

std::vector<std::string> FolderContent(const TemporaryFolder& folder) {
    std::vector<std::string> names;
    for (const auto& entry : boost::filesystem::directory_iterator(folder.Path())) {
        names.push_back(entry.path().filename().string());
    }
    std::sort(names.begin(), names.end());
    return names;
}

// GNOME Shell takes a picture again only under a name it has not shown, and falls back to its
// default when the name it shows goes: the one before stays, older ones go.
TEST(GnomeBackendTest, EachChangeNamesTheBitmapAnewAndKeepsTheNameBefore) {
    UsePrivateSettings();
    TemporaryFolder folder;
    // Blanks and non-ASCII letters must be escaped in the URI.
    const std::string settings = folder / "my pics \xC3\xA9#%";
    LinuxCore core{
        SessionEnvironment(std::map<std::string, std::string>{{"XDG_CURRENT_DESKTOP", "GNOME"}})};
    core.SetSettingsFolder(FromUtf8(settings));
    // Not ours: a number too large for any counter, and no number at all.
    const std::vector<std::string> others{"wallpaper-99999999999999999999999.bmp",
                                          "wallpaper-01.bmp", "wallpaper-+1.bmp"};
    for (const std::string& other : others) {
        WriteFile(settings + "/" + other, "not ours");
    }
    MakeGradient(folder / "a.png", 16, 10, "0,0 red 15,9 blue");
    MakeGradient(folder / "b.jpg", 16, 10, "0,0 green 15,9 white");

    core.SetWallpaper(FromUtf8(folder / "a.png"));
    const std::string first = UriOf(settings + "/wallpaper-1.bmp");
    EXPECT_NE(first.find("my%20pics%20%C3%A9%23%25/wallpaper-1.bmp"), std::string::npos) << first;
    EXPECT_EQ(Gsettings("picture-uri"), "'" + first + "'");
    EXPECT_EQ(Gsettings("picture-uri-dark"), "'" + first + "'");
    EXPECT_EQ(Gsettings("picture-options"), "'zoom'");

    core.SetWallpaper(FromUtf8(folder / "b.jpg"));
    core.SetWallpaper(FromUtf8(folder / "b.jpg"));
    EXPECT_EQ(Gsettings("picture-uri"), "'" + UriOf(settings + "/wallpaper-3.bmp") + "'");
    EXPECT_EQ(LargestDifference(DecodeWithImageMagick(settings + "/wallpaper-3.bmp"),
                                DecodeWithImageMagick(folder / "b.jpg")),
              0);
    EXPECT_EQ(ReadFile(settings + "/wallpaper-3.bmp"), ReadFile(settings + "/wallpaper.bmp"));
    EXPECT_TRUE(boost::filesystem::exists(settings + "/wallpaper-2.bmp"));
    EXPECT_FALSE(boost::filesystem::exists(settings + "/wallpaper-1.bmp"));
    for (const std::string& other : others) {
        EXPECT_EQ(ReadFile(settings + "/" + other), "not ours");
    }
}

TEST(GnomeBackendTest, RelativeBitmapPathBecomesAnAbsoluteUri) {
    UsePrivateSettings();
    TemporaryFolder folder;
    BitmapIn(folder);
    const std::string previous = boost::filesystem::current_path().string();
    boost::filesystem::current_path(folder.Path());
    EXPECT_EQ(Probe("", "./wallpaper.bmp"), "ok");
    boost::filesystem::current_path(previous);
    EXPECT_EQ(Gsettings("picture-uri"), "'" + UriOf(folder / "wallpaper-1.bmp") + "'");
}

// dconf without a session bus accepts the write and drops it: that is a failure, and the name
// made for it goes again.
TEST(GnomeBackendTest, DconfWithoutASessionBusIsAFailureNotASilentSuccess) {
    TemporaryFolder home;
    TemporaryFolder pictures;
    const std::string environment =
        "env -u DBUS_SESSION_BUS_ADDRESS -u DISPLAY -u WAYLAND_DISPLAY GSETTINGS_BACKEND=dconf"
        " XDG_RUNTIME_DIR=" +
        Quote(home.Path().string()) + " XDG_CONFIG_HOME=" + Quote(home / "config") +
        " HOME=" + Quote(home.Path().string());
    EXPECT_EQ(Probe(environment, BitmapIn(pictures)), "Can't change desktop wallpaper");
    EXPECT_EQ(FolderContent(pictures), std::vector<std::string>{"wallpaper.bmp"});
}

TEST(GnomeBackendTest, DconfOnASessionBusStoresTheValue) {
    if (std::system("command -v dbus-run-session >/dev/null") != 0) {
        GTEST_SKIP() << "dbus-run-session is not installed";
    }
    TemporaryFolder home;
    TemporaryFolder pictures;
    const std::string environment =
        "env -u DISPLAY -u WAYLAND_DISPLAY GSETTINGS_BACKEND=dconf XDG_RUNTIME_DIR=" +
        Quote(home.Path().string()) + " XDG_CONFIG_HOME=" + Quote(home / "config") +
        " HOME=" + Quote(home.Path().string());
    // The environment goes first: the bus starts dconf-service, which must write to our folder.
    EXPECT_EQ(Probe(environment + " dbus-run-session --", BitmapIn(pictures)), "ok");
    // dconf readers need no bus: the database file holds the value.
    EXPECT_EQ(Capture(environment + " gsettings get org.gnome.desktop.background picture-uri"),
              "'" + UriOf(pictures / "wallpaper-1.bmp") + "'\n");
}

TEST(GnomeBackendTest, BackendThatKeepsValuesInTheProcessIsAFailure) {
    TemporaryFolder pictures;
    EXPECT_EQ(Probe("env GSETTINGS_BACKEND=memory", BitmapIn(pictures)),
              "Can't change desktop wallpaper");
    EXPECT_EQ(FolderContent(pictures), std::vector<std::string>{"wallpaper.bmp"});
}

// GLib aborts the process on a schema or key it does not know: no schemas at all (in a process
// of its own), another desktop's schema missing, or a key that this schema lacks.
TEST(GnomeBackendTest, MissingSchemaOrKeyIsAFailureNotAnAbort) {
    TemporaryFolder empty;
    TemporaryFolder pictures;
    EXPECT_EQ(
        Probe("env GSETTINGS_BACKEND=keyfile GSETTINGS_SCHEMA_DIR=" + Quote(empty.Path().string()) +
                  " XDG_DATA_DIRS=" + Quote(empty / "none") + " XDG_DATA_HOME=" +
                  Quote(empty / "none") + " XDG_CONFIG_HOME=" + Quote(empty.Path().string()),
              BitmapIn(pictures)),
        "Can't change desktop wallpaper");

    UsePrivateSettings();
    const GSettingsPictureWriter absent("org.vornk.no.such.schema", {"picture-uri"},
                                        GSettingsPictureWriter::Form::FileUri,
                                        GSettingsPictureWriter::Reload::NewPath);
    const GSettingsPictureWriter noKey("org.mate.background", {"picture-uri"},
                                       GSettingsPictureWriter::Form::FileUri,
                                       GSettingsPictureWriter::Reload::NewPath);
    for (const GSettingsPictureWriter* writer : {&absent, &noKey}) {
        desktop_test::ExpectCantChangeWallpaper([&] { writer->Show(pictures / "wallpaper.bmp"); });
    }
}

}  // namespace
