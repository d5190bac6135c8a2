// The program in a real shell's Wayland session (desktop-fixture.sh gnome_wayland or
// plasma_wayland): a native Wayland client that never reaches for an X server, and on Plasma a
// tray icon that answers the calls Plasma's tray makes on a click.
#include <gtest/gtest.h>

#include <QImage>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>

#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include "tests/app/ProgramUnderTest.h"
#include "tests/app/ScreenReader.h"

namespace {

constexpr char kX11SocketFolder[] = "/tmp/.X11-unix";

// Listens where an X server of a free display number would, and counts who comes: Xwayland's
// place in a session that has one, which a Wayland client must leave alone.
class X11SocketTrap {
public:
    X11SocketTrap() : listener(socket(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0)) {
        // Sticky and open to all, as X servers make it.
        (void)::mkdir(kX11SocketFolder, 01777);
        for (number = 400; listener >= 0 && number < 500; ++number) {
            sockaddr_un address{};
            address.sun_family = AF_UNIX;
            std::snprintf(address.sun_path, sizeof address.sun_path, "%s/X%d", kX11SocketFolder,
                          number);
            if (bind(listener, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0) {
                path = address.sun_path;
                if (listen(listener, SOMAXCONN) == 0) {
                    return;
                }
                break;
            }
        }
        Close();
        throw std::runtime_error("no free X11 display number for the trap");
    }
    ~X11SocketTrap() { Close(); }
    X11SocketTrap(const X11SocketTrap&) = delete;
    X11SocketTrap& operator=(const X11SocketTrap&) = delete;

    QString Display() const { return QStringLiteral(":%1").arg(number); }

    int Connections() {
        for (int client; (client = accept4(listener, nullptr, nullptr, SOCK_CLOEXEC)) >= 0;) {
            ::close(client);
            ++connections;
        }
        return connections;
    }

private:
    void Close() {
        if (listener >= 0) {
            ::close(listener);
        }
        if (!path.empty()) {
            ::unlink(path.c_str());
        }
    }

    int listener;
    int number = 0;
    std::string path;
    int connections = 0;
};

// The first group of `pattern` in `text`.
std::optional<QString> Captured(const QString& pattern, const std::optional<QString>& text) {
    const QRegularExpressionMatch match = QRegularExpression(pattern).match(text.value_or(""));
    return match.hasMatch() ? std::optional<QString>(match.captured(1)) : std::nullopt;
}

// An object on the session's bus, called through gdbus as a tray host would call it.
struct BusObject {
    QString service;
    QString path;

    // The printed answer. The arguments may start with "-" (-1: the whole menu).
    std::optional<QString> Call(const QString& method, const QStringList& arguments) const {
        QProcess gdbus;
        gdbus.start(QStringLiteral("gdbus"),
                    QStringList{QStringLiteral("call"), QStringLiteral("--session"),
                                QStringLiteral("--dest"), service, QStringLiteral("--object-path"),
                                path, QStringLiteral("--method"), method, QStringLiteral("--")} +
                        arguments);
        if (!gdbus.waitForFinished(10000) || gdbus.exitStatus() != QProcess::NormalExit ||
            gdbus.exitCode() != 0) {
            return std::nullopt;
        }
        return QString::fromUtf8(gdbus.readAllStandardOutput());
    }

    std::optional<QString> Property(const QString& interface, const QString& name) const {
        return Call(QStringLiteral("org.freedesktop.DBus.Properties.Get"), {interface, name});
    }
};

const BusObject kBus{QStringLiteral("org.freedesktop.DBus"),
                     QStringLiteral("/org/freedesktop/DBus")};
const BusObject kTrayWatcher{QStringLiteral("org.kde.StatusNotifierWatcher"),
                             QStringLiteral("/StatusNotifierWatcher")};

// The tray icon of the copy with `pid`, as the tray host's watcher lists it ("SERVICE/PATH").
std::optional<BusObject> RegisteredTrayIcon(qint64 pid) {
    const auto items = kTrayWatcher.Property(QStringLiteral("org.kde.StatusNotifierWatcher"),
                                             QStringLiteral("RegisteredStatusNotifierItems"));
    auto entries = QRegularExpression(QStringLiteral("'([^'/]+)(/[^']*)'"))
                       .globalMatch(items.value_or(QString()));
    while (entries.hasNext()) {
        const QRegularExpressionMatch entry = entries.next();
        const auto owner = kBus.Call(
            QStringLiteral("org.freedesktop.DBus.GetConnectionUnixProcessID"), {entry.captured(1)});
        if (Captured(QStringLiteral("uint32 (\\d+)"), owner) == QString::number(pid)) {
            return BusObject{entry.captured(1), entry.captured(2)};
        }
    }
    return std::nullopt;
}

// The icon's menu, as the host reads it.
std::optional<BusObject> TrayMenu(const BusObject& icon) {
    const auto path = Captured(
        QStringLiteral("objectpath '([^']+)'"),
        icon.Property(QStringLiteral("org.kde.StatusNotifierItem"), QStringLiteral("Menu")));
    return path ? std::optional<BusObject>({icon.service, *path}) : std::nullopt;
}

// The id of the menu's entry labelled `label`.
std::optional<QString> MenuEntry(const BusObject& menu, const QString& label) {
    return Captured(
        QStringLiteral("\\((\\d+), \\{[^}]*'label': <'%1'>").arg(QRegularExpression::escape(label)),
        menu.Call(QStringLiteral("com.canonical.dbusmenu.GetLayout"),
                  {QStringLiteral("0"), QStringLiteral("-1"), QStringLiteral("[]")}));
}

// Points over the whole 1280x800 screen.
std::vector<QPoint> Grid() {
    std::vector<QPoint> points;
    for (int column = 0; column < 8; ++column) {
        for (int row = 0; row < 5; ++row) {
            points.emplace_back(80 + 160 * column, 80 + 160 * row);
        }
    }
    return points;
}

const std::vector<QColor> kPictureColours{{230, 70, 60}, {70, 190, 80}};

int PointsShowing(const std::vector<QColor>& colours, const QColor& colour) {
    return static_cast<int>(std::count_if(colours.begin(), colours.end(),
                                          [&](const QColor& seen) { return Near(seen, colour); }));
}

class RealWaylandSessionTest : public testing::Test {
protected:
    void SetUp() override {
        for (const QColor& colour : kPictureColours) {
            QImage image(640, 400, QImage::Format_RGB32);
            image.fill(colour);
            images << pictures.filePath(QStringLiteral("%1.png").arg(colour.name().mid(1)));
            ASSERT_TRUE(image.save(images.back()));
        }
        program.WriteSettingsFile(QStringLiteral("settings.info"), SettingsInfo(false, false, 2));
        program.WriteSettingsFile(QStringLiteral("sources.info"), SourcesInfo(images, 2));
        program.WriteSettingsFile(QStringLiteral("current_algorithm.txt"), "Normal");
    }

    QString Current() const {
        return QString::fromUtf8(program.Run({QStringLiteral("--current")}).output).trimmed();
    }

    ProgramUnderTest program;
    QTemporaryDir pictures;
    QStringList images;
};

// DISPLAY names a socket where Xwayland would be: were the program, or any part of it, an X11
// client, it would connect there (and fail, so the program would not come up at all).
TEST_F(RealWaylandSessionTest, RunsAsAWaylandClientWithoutTouchingX11OrWarning) {
    X11SocketTrap xwayland;
    program.SetEnvironment(QStringLiteral("DISPLAY"), xwayland.Display());
    program.Start();
    ASSERT_TRUE(WaitFor([&] { return program.IsReachable(); }))
        << program.StandardError(0).toStdString();

    // The command line reaches the running copy over the bus, past the single-instance lock.
    for (const char* command : {"--show", "--next", "--next"}) {
        const CommandResult result = program.Run({QString::fromLatin1(command)});
        EXPECT_EQ(result.exitCode, 0) << command;
        EXPECT_TRUE(result.errors.isEmpty()) << command << ": " << result.errors.toStdString();
    }
    EXPECT_TRUE(WaitFor([&] { return Current() == images[1]; })) << Current().toStdString();
    EXPECT_EQ(program.Copy(0).state(), QProcess::Running);
    EXPECT_EQ(program.StandardError(0), QString());
    EXPECT_EQ(xwayland.Connections(), 0);
}

// A photo larger than the monitor: the shell gets it at the monitor's size, as its compositor
// reports it, and shows it; "wallpaper.bmp" keeps the whole photo.
TEST_F(RealWaylandSessionTest, ALargePhotoReachesTheShellAtTheMonitorsSize) {
    // A colour of its own: the shell may still show an earlier test's picture.
    const QColor colour(40, 90, 220);
    QImage photo(1600, 1000, QImage::Format_RGB32);
    photo.fill(colour);
    const QString large = pictures.filePath(QStringLiteral("large.png"));
    ASSERT_TRUE(photo.save(large));
    program.WriteSettingsFile(QStringLiteral("sources.info"), SourcesInfo({large}, 2));
    program.Start();
    ASSERT_TRUE(WaitFor([&] { return program.IsReachable(); }));
    ASSERT_EQ(program.Run({QStringLiteral("--next")}).exitCode, 0);

    const std::unique_ptr<ScreenReader> screen = ScreenReader::ForSession();
    EXPECT_TRUE(WaitFor([&] {
        return PointsShowing(screen->Colours(Grid()), colour) == static_cast<int>(Grid().size());
    })) << "the picture did not reach the screen";
    EXPECT_EQ(QImage(program.SettingsFile(QStringLiteral("wallpaper-screen.bmp"))).size(),
              QSize(1280, 800));
    EXPECT_EQ(QImage(program.SettingsFile(QStringLiteral("wallpaper.bmp"))).size(),
              QSize(1600, 1000));
}

TEST_F(RealWaylandSessionTest, TrayIconAnswersTheTrayHostLikeAClick) {
    const QProcess& copy = program.Start();
    ASSERT_TRUE(WaitFor([&] { return program.IsReachable(); }));

    std::optional<BusObject> icon;
    ASSERT_TRUE(WaitFor([&] { return (icon = RegisteredTrayIcon(copy.processId())).has_value(); }))
        << "the tray host's watcher does not list the program";

    // The menu's "Next Wallpaper", clicked: the first picture, on the screen.
    const auto menu = TrayMenu(*icon);
    ASSERT_TRUE(menu) << "the tray icon has no menu";
    const auto next = MenuEntry(*menu, QStringLiteral("Next Wallpaper"));
    ASSERT_TRUE(next) << "no \"Next Wallpaper\" in the tray menu";
    ASSERT_TRUE(
        menu->Call(QStringLiteral("com.canonical.dbusmenu.Event"),
                   {*next, QStringLiteral("clicked"), QStringLiteral("<0>"), QStringLiteral("0")}));
    EXPECT_TRUE(WaitFor([&] { return Current() == images[0]; })) << Current().toStdString();

    const std::unique_ptr<ScreenReader> screen = ScreenReader::ForSession();
    const QColor& wallpaper = kPictureColours[0];
    int before = 0;
    ASSERT_TRUE(WaitFor([&] {
        before = PointsShowing(screen->Colours(Grid()), wallpaper);
        return before >= static_cast<int>(Grid().size()) * 3 / 4;
    })) << "the picture did not reach the screen";

    // A left click: the window comes up over the picture.
    ASSERT_TRUE(icon->Call(QStringLiteral("org.kde.StatusNotifierItem.Activate"),
                           {QStringLiteral("0"), QStringLiteral("0")}));
    EXPECT_TRUE(WaitFor([&] { return PointsShowing(screen->Colours(Grid()), wallpaper) < before; }))
        << "the window did not come up";
    EXPECT_EQ(program.StandardError(0), QString());
}

}  // namespace
