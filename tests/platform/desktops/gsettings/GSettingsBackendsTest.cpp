// Cinnamon and MATE (and GNOME where the three agree) against Debian's real schemas,
// with a private keyfile GSettings backend; values are read back by a separate gsettings.
#include <gtest/gtest.h>

#include <gio/gio.h>

#include <map>
#include <string>

#include "platform/linux/LinuxCore.h"
#include "platform/linux/desktops/gsettings/GSettingsPictureWriter.h"
#include "tests/platform/desktops/DesktopTestSupport.h"
#include "tests/platform/desktops/SplitScreen.h"
#include "tests/platform/desktops/gsettings/GSettingsTestSupport.h"
#include "tests/support/TestDisplay.h"

namespace {

using namespace desktop_test;
using namespace gsettings_test;
using platform_test::DecodeWithImageMagick;
using platform_test::ReadFile;
using platform_test::TemporaryFolder;

// What another process reads, through GVariant's own text parser.
std::string ReadBack(const std::string& schema, const std::string& key) {
    const std::string text = Trimmed(Capture("gsettings get " + schema + " " + key));
    GVariant* value =
        g_variant_parse(G_VARIANT_TYPE_STRING, text.c_str(), nullptr, nullptr, nullptr);
    if (value == nullptr) {
        return "<unparsable: " + text + ">";
    }
    std::string result = g_variant_get_string(value, nullptr);
    g_variant_unref(value);
    return result;
}

// A desktop, its schema and the key that holds its picture, a URI or a plain path.
struct Case {
    const char* desktop;
    const char* schema;
    const char* key;
    bool uri;
};
constexpr Case kCinnamon{"X-Cinnamon", "org.cinnamon.desktop.background", "picture-uri", true};
constexpr Case kMate{"MATE", "org.mate.background", "picture-filename", false};
constexpr Case kGnome{"GNOME", "org.gnome.desktop.background", "picture-uri", true};

TEST(GSettingsBackendsTest, EachDesktopsKeyHoldsTheBitmapForOtherProcesses) {
    UsePrivateSettings();
    const Case cases[] = {kCinnamon, kMate};
    for (const Case& c : cases) {
        TemporaryFolder folder;
        const std::string settings = folder / HostileFolderName();
        const std::string bitmap = settings + "/wallpaper.bmp";
        LinuxCore core{SessionEnvironment(
            std::map<std::string, std::string>{{"XDG_CURRENT_DESKTOP", c.desktop}})};
        core.SetSettingsFolder(FromUtf8(settings));
        Shell(std::string("gsettings set ") + c.schema + " picture-options centered");
        MakeSolidImage(folder / "red.bmp", "red", 4, 4);
        MakeSolidImage(folder / "blue.bmp", "blue", 4, 4);

        for (const char* image : {"red.bmp", "blue.bmp"}) {
            core.SetWallpaper(FromUtf8(folder / image));
            EXPECT_EQ(ReadBack(c.schema, c.key), c.uri ? UriOf(bitmap) : bitmap) << c.desktop;
            EXPECT_EQ(ReadBack(c.schema, "picture-options"), "zoom") << c.desktop;
        }
        if (c.uri) {
            // Escaped for a URI ('#' would start a fragment), and read as the same file.
            const std::string uri = ReadBack(c.schema, c.key);
            EXPECT_EQ(uri.find_first_of(" \"\\`#"), std::string::npos) << uri;
            for (const char byte : uri) {
                EXPECT_TRUE(byte > 0x20 && byte < 0x7f) << uri;
            }
            gchar* file = g_filename_from_uri(uri.c_str(), nullptr, nullptr);
            EXPECT_EQ(std::string(file != nullptr ? file : ""), bitmap);
            g_free(file);
        }
    }
    // Neither desktop touched the other's, nor GNOME's, settings.
    EXPECT_EQ(ReadBack("org.gnome.desktop.background", "picture-uri").find("wallpaper.bmp"),
              std::string::npos);
}

// With a picture for each monitor (on the fixture's X screen, a portrait monitor beside a
// landscape one) each desktop of an X11 session spreads one picture, made of them as the monitors
// lie, over all; a change with one picture for all fills each monitor again and removes the spread
// one.
TEST(GSettingsBackendsTest, EachDesktopSpreadsTheMonitorsPicturesThenFillsAgain) {
    UsePrivateSettings();
    ASSERT_FALSE(UseFixtureDisplay().empty()) << "no display from the fixture";
    const SplitScreen split(480, 800, 800, 500);
    const Case cases[] = {kCinnamon, kMate, kGnome};
    for (const Case& c : cases) {
        // GNOME is handed a new name for the same file each time.
        const auto shownContent = [&] {
            const std::string value = ReadBack(c.schema, c.key);
            gchar* file = c.uri ? g_filename_from_uri(value.c_str(), nullptr, nullptr)
                                : g_strdup(value.c_str());
            const std::string content = file != nullptr ? ReadFile(file) : "";
            g_free(file);
            return content;
        };
        TemporaryFolder folder;
        const std::string bitmap = folder / "wallpaper.bmp";
        const std::string spread = folder / "wallpaper-screen.bmp";
        LinuxCore core{SessionEnvironment(std::map<std::string, std::string>{
            {"XDG_CURRENT_DESKTOP", c.desktop}, {"DISPLAY", getenv("DISPLAY")}})};
        core.SetSettingsFolder(FromUtf8(folder.Path().string()));
        MakeSolidImage(folder / "red.bmp", "red", 30, 40);
        MakeSolidImage(folder / "blue.bmp", "blue", 80, 50);
        ASSERT_EQ(core.CountMonitors(), 2u) << c.desktop;

        EXPECT_FALSE(SetEach(core, {folder / "red.bmp", folder / "blue.bmp"})) << c.desktop;
        EXPECT_TRUE(shownContent() == ReadFile(spread)) << c.desktop;
        EXPECT_EQ(ReadBack(c.schema, "picture-options"), "spanned") << c.desktop;
        const RgbImage picture = DecodeWithImageMagick(spread);
        ASSERT_EQ(picture.width, 1280) << c.desktop;
        ASSERT_EQ(picture.height, 800) << c.desktop;
        EXPECT_EQ(HexColour(picture, 470, 790), "FF0000") << c.desktop;
        EXPECT_EQ(HexColour(picture, 490, 10), "0000FF") << c.desktop;
        EXPECT_EQ(HexColour(picture, 1270, 490), "0000FF") << c.desktop;
        EXPECT_EQ(HexColour(picture, 900, 700), "000000") << c.desktop << ": no monitor there";

        core.SetWallpaper(FromUtf8(folder / "blue.bmp"));
        EXPECT_TRUE(shownContent() == ReadFile(bitmap)) << c.desktop;
        EXPECT_EQ(ReadBack(c.schema, "picture-options"), "zoom") << c.desktop;
        EXPECT_FALSE(boost::filesystem::exists(spread)) << c.desktop;
    }
}

}  // namespace
