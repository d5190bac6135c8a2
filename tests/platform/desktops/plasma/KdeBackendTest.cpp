// The KDE backend against a stand-in plasmashell on a private session bus (CTest fixture
// "session_bus"), for what the real one cannot easily show: the escaping of the path and the
// answers it fails with. The real Plasma is in tests/app/RealDesktopTest.cpp.
#include <gtest/gtest.h>

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>
#include <QString>
#include <QUrl>

#include <boost/filesystem.hpp>

#include <chrono>
#include <string>

#include "platform/linux/LinuxCore.h"
#include "platform/linux/change/HelperProcess.h"
#include "platform/linux/desktops/plasma/KdeBackend.h"
#include "tests/platform/desktops/DesktopTestSupport.h"
#include "tests/support/FixtureEnvironment.h"
#include "tests/support/ScopedEnvironment.h"

namespace {

using namespace desktop_test;
using platform_test::ReadFile;
using platform_test::TemporaryFolder;

// One stand-in plasmashell for one test, answering every call with `answer`.
class StandIn final {
public:
    explicit StandIn(const std::string& answer)
        : pid(HelperProcess::StartDetached(
              {VORNK_PLASMASHELL_STANDIN, records.Path().string(), answer})) {
        ready = WaitUntil([this] { return boost::filesystem::exists(records / "ready"); });
    }
    ~StandIn() { HelperProcess::Stop(pid); }
    StandIn(const StandIn&) = delete;
    StandIn& operator=(const StandIn&) = delete;

    bool IsReady() const { return ready; }
    std::string Script(int number) const {
        return ReadFile(records / ("script-" + std::to_string(number) + ".js"));
    }
    bool HasScript(int number) const {
        return boost::filesystem::exists(records / ("script-" + std::to_string(number) + ".js"));
    }

private:
    TemporaryFolder records;
    pid_t pid;
    bool ready = false;
};

// The value of the script's `var image = "...";`, read by a JSON parser: the same grammar as
// a JavaScript string literal for every escape we write.
QString ImageLiteralValue(const std::string& script) {
    static const QRegularExpression image(QStringLiteral("var image = (\"[^\\n]*\");\\n"));
    const QRegularExpressionMatch match = image.match(QString::fromStdString(script));
    if (!match.hasMatch()) {
        return QStringLiteral("<no image literal>");
    }
    const QJsonDocument parsed =
        QJsonDocument::fromJson(QStringLiteral("[%1]").arg(match.captured(1)).toUtf8());
    return parsed.array().at(0).toString(QStringLiteral("<not a string literal>"));
}

// The script's `var screenImages = {...};`: screen numbers and their images, as JSON reads them.
QJsonObject ScreenImagesIn(const std::string& script) {
    static const QRegularExpression images(
        QStringLiteral("var screenImages = (\\{[^\\n]*\\});\\n"));
    const QRegularExpressionMatch match = images.match(QString::fromStdString(script));
    return match.hasMatch() ? QJsonDocument::fromJson(match.captured(1).toUtf8()).object()
                            : QJsonObject{{QStringLiteral("<no screen images>"), true}};
}

std::string LocalFileOf(const QJsonValue& url) {
    return QUrl(url.toString()).toLocalFile().toStdString();
}

class KdeBackendTest : public testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(UseFixtureEnvironment()); }
};

TEST_F(KdeBackendTest, EachChangeSendsAScriptWithTheEscapedPathForTheImageDesktops) {
    StandIn shell("print:vornk-changed:1");
    ASSERT_TRUE(shell.IsReady());
    TemporaryFolder folder;
    const std::string settings = folder / HostileFolderName();
    MakeSolidImage(folder / "red.bmp", "red", 8, 8);
    MakeSolidImage(folder / "blue.bmp", "blue", 8, 8);
    LinuxCore core{
        SessionEnvironment({{"XDG_CURRENT_DESKTOP", "KDE"}, {"KDE_SESSION_VERSION", "6"}})};
    core.SetSettingsFolder(FromUtf8(settings));

    core.SetWallpaper(FromUtf8(folder / "red.bmp"));
    core.SetWallpaper(FromUtf8(folder / "blue.bmp"));

    for (int number : {1, 2}) {
        const std::string script = shell.Script(number);
        for (const char c : script) {
            EXPECT_TRUE(c == '\n' || (c >= 0x20 && c <= 0x7e)) << "byte " << int(c);
        }
        const QUrl url(ImageLiteralValue(script));
        EXPECT_TRUE(url.isLocalFile()) << script;
        EXPECT_EQ(url.toLocalFile().toStdString(), settings + "/wallpaper.bmp") << script;
        // Only desktops with the plain image plugin; that the real Plasma shows every change
        // is for the real-desktop test.
        EXPECT_NE(script.find("wallpaperPlugin !== \"org.kde.image\""), std::string::npos);
        EXPECT_NE(script.find("writeConfig(\"FillMode\", 2)"), std::string::npos);
    }
    EXPECT_FALSE(shell.HasScript(3));
    EXPECT_FALSE(boost::filesystem::exists(folder / "vornk-injected"));
}

// Screen 1 lies left of screen 0: it is the first monitor, and its desktops get the first file.
TEST_F(KdeBackendTest, EachScreenIsGivenTheFileOfItsMonitorInPlaceOrder) {
    StandIn shell(
        "print:vornk-screen:0 600 0 1280 800\nvornk-screen:1 0 0 600 800\nvornk-changed:2");
    ASSERT_TRUE(shell.IsReady());
    TemporaryFolder folder;
    const std::string settings = folder / HostileFolderName();
    MakeSolidImage(folder / "red.bmp", "red", 40, 40);
    LinuxCore core{
        SessionEnvironment({{"XDG_CURRENT_DESKTOP", "KDE"}, {"KDE_SESSION_VERSION", "5"}})};
    core.SetSettingsFolder(FromUtf8(settings));

    EXPECT_FALSE(SetEach(core, {folder / "red.bmp"}));
    const QJsonObject screens = ScreenImagesIn(shell.Script(2));
    EXPECT_EQ(screens.size(), 2) << shell.Script(2);
    EXPECT_EQ(LocalFileOf(screens.value(QStringLiteral("1"))),
              settings + "/wallpaper-monitor-1.bmp");
    EXPECT_EQ(LocalFileOf(screens.value(QStringLiteral("0"))),
              settings + "/wallpaper-monitor-2.bmp");
    EXPECT_EQ(Capture("identify -format %wx%h " + Quote(settings + "/wallpaper-monitor-1.bmp")),
              "600x800");
}

TEST_F(KdeBackendTest, NoDesktopShowingAPlainImageIsAFailure) {
    StandIn shell("print:vornk-changed:0");
    ASSERT_TRUE(shell.IsReady());
    ExpectCantChangeWallpaper([] { KdeBackend().ShowWallpaper("/tmp/wallpaper.bmp"); });
    EXPECT_TRUE(shell.HasScript(1));
}

TEST_F(KdeBackendTest, AScriptErrorIsAFailure) {
    StandIn shell("error");
    ASSERT_TRUE(shell.IsReady());
    ExpectCantChangeWallpaper([] { KdeBackend().ShowWallpaper("/tmp/wallpaper.bmp"); });
}

TEST_F(KdeBackendTest, NoPlasmaShellOnTheBusIsAFailureAndNoMonitors) {
    EXPECT_TRUE(KdeBackend().Monitors().empty());
    ExpectCantChangeWallpaper([] { KdeBackend().ShowWallpaper("/tmp/wallpaper.bmp"); });
}

TEST_F(KdeBackendTest, NoSessionBusIsAFailure) {
    ScopedEnvironment environment;
    environment.Unset("DBUS_SESSION_BUS_ADDRESS");
    environment.Unset("DISPLAY");  // no autolaunch of a bus through X11
    environment.Set("XDG_RUNTIME_DIR", "/nonexistent");
    ExpectCantChangeWallpaper([] { KdeBackend().ShowWallpaper("/tmp/wallpaper.bmp"); });
}

// Slow: waits out the call's timeout (SessionBus::kTimeoutMs). The stand-in hangs for 30 s and
// the bus gives up on its own only after 25 s: the bound lies far above our timeout and below
// both, so that only a call without our timeout fails it.
TEST_F(KdeBackendTest, AHungPlasmaShellIsGivenUpAfterOurTimeout) {
    StandIn shell("hang");
    ASSERT_TRUE(shell.IsReady());
    const auto start = std::chrono::steady_clock::now();
    ExpectCantChangeWallpaper([] { KdeBackend().ShowWallpaper("/tmp/wallpaper.bmp"); });
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(20));
    EXPECT_TRUE(shell.HasScript(1));
}

}  // namespace
