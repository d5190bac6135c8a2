#include <gtest/gtest.h>

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <functional>
#include <stdexcept>

#include "tests/app/ProgramUnderTest.h"

#include <X11/Xlib.h>
#include <X11/Xutil.h>

namespace {

const QByteArray kLaterRunSettings =
    "onload_change false\ntimer_change true\nchange_interval 1800\n";
// A later start shows its window only after waiting ten seconds for a tray host.
constexpr std::chrono::seconds kTrayHostWait{10};
constexpr std::chrono::seconds kWindowAfterTrayWait{40};

// A tray host of the test's own, started on the fixture's display once the program runs. It
// inherits DISPLAY, which ProgramUnderTest has already pointed at that display.
class TrayHost {
public:
    explicit TrayHost(const ProgramUnderTest& program) {
        trayer.start(QStringLiteral("trayer"),
                     {QStringLiteral("--edge"), QStringLiteral("bottom"),
                      QStringLiteral("--SetDockType"), QStringLiteral("true")});
        trayer.waitForStarted(10000);
        WaitFor([&] {
            return !program
                        .XdotoolOutput({QStringLiteral("search"), QStringLiteral("--class"),
                                        QStringLiteral("trayer")})
                        .isEmpty();
        });
    }
    ~TrayHost() {
        trayer.kill();
        trayer.waitForFinished(5000);
    }

private:
    QProcess trayer;
};

// A session bus of the test's own, optionally with a stand-in notification service on it.
class PrivateBus {
public:
    explicit PrivateBus(bool withNotificationService) {
        daemon.start(QStringLiteral("dbus-daemon"),
                     {QStringLiteral("--session"), QStringLiteral("--nofork"),
                      QStringLiteral("--print-address")});
        WaitFor([&] { return daemon.waitForReadyRead(100) && daemon.canReadLine(); });
        address = QString::fromUtf8(daemon.readLine()).trimmed();
        if (withNotificationService) {
            QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
            environment.insert(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"), address);
            service.setProcessEnvironment(environment);
            service.start(QStringLiteral(VORNK_NOTIFICATION_STANDIN), {records.path()});
            WaitFor([&] { return QFile::exists(records.filePath(QStringLiteral("ready"))); });
        }
    }
    ~PrivateBus() {
        for (QProcess* process : {&service, &daemon}) {
            process->kill();
            process->waitForFinished(5000);
        }
    }

    QString Address() const { return address; }
    QByteArray FirstNotification() const {
        QFile record(records.filePath(QStringLiteral("notification-1.txt")));
        return record.open(QIODevice::ReadOnly) ? record.readAll() : QByteArray();
    }

private:
    QProcess daemon;
    QProcess service;
    QTemporaryDir records;
    QString address;
};

// X events on the test display, over a connection of its own. Selected before the step that
// causes them, none is missed, however late the program gets to that step.
class DisplayEvents final {
public:
    DisplayEvents() : connection(XOpenDisplay(nullptr)) {
        if (connection == nullptr) {
            throw std::runtime_error("cannot open the test display");
        }
    }
    ~DisplayEvents() { XCloseDisplay(connection); }
    DisplayEvents(const DisplayEvents&) = delete;
    DisplayEvents& operator=(const DisplayEvents&) = delete;

    ::Window Root() const { return DefaultRootWindow(connection); }
    ::Atom AtomNamed(const char* name) const { return XInternAtom(connection, name, False); }

    void Select(::Window window, long mask) {
        XSelectInput(connection, window, mask);
        XSync(connection, False);
    }

    // Whether one of the events that came in since the last call is `wanted`.
    bool Arrived(const std::function<bool(const XEvent&)>& wanted) {
        bool found = false;
        while (XPending(connection) > 0) {
            XEvent event;
            XNextEvent(connection, &event);
            found = found || wanted(event);
        }
        return found;
    }

private:
    Display* connection;
};

// A visible window of the program that is not titled with the product name.
bool HasDockedIcon(const ProgramUnderTest& program, const QProcess& copy) {
    const QStringList all =
        program
            .XdotoolOutput({QStringLiteral("search"), QStringLiteral("--onlyvisible"),
                            QStringLiteral("--pid"), QString::number(copy.processId())})
            .split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    return all.size() > program.Windows(copy, true).size();
}

QString MainWindow(const ProgramUnderTest& program, const QProcess& copy) {
    QStringList windows;
    WaitFor([&] { return !(windows = program.Windows(copy, false)).isEmpty(); });
    return windows.value(0);
}

// Without a notification area a later start keeps its window on screen, and closing the window
// leaves it reachable instead of hiding it.
TEST(AppWithoutTrayTest, LaterStartShowsTheWindowAndClosingKeepsItReachable) {
    ProgramUnderTest program;
    program.WriteSettingsFile(QStringLiteral("settings.info"), kLaterRunSettings);
    QProcess& copy = program.Start();

    const QString window = MainWindow(program, copy);
    ASSERT_FALSE(window.isEmpty());
    ASSERT_TRUE(WaitFor([&] { return program.IsMapped(window); }, kWindowAfterTrayWait));

    // Without a window manager the request to minimise stays a message to the root window: it
    // tells that the program has handled the close.
    DisplayEvents events;
    events.Select(events.Root(), StructureNotifyMask | SubstructureNotifyMask);
    const ::Atom changeState = events.AtomNamed("WM_CHANGE_STATE");
    program.RequestClose(window);
    EXPECT_TRUE(WaitFor([&] {
        return events.Arrived([&](const XEvent& event) {
            return event.type == ClientMessage && event.xclient.window == window.toULong() &&
                   event.xclient.message_type == changeState &&
                   event.xclient.data.l[0] == IconicState;
        });
    }));
    EXPECT_TRUE(program.IsMapped(window));
    EXPECT_EQ(copy.state(), QProcess::Running);
}

// Once a tray host appears the program docks its icon and closing hides the window again.
TEST(AppWithoutTrayTest, TrayAppearingLaterRestoresTheTrayBehaviour) {
    ProgramUnderTest program;
    program.WriteSettingsFile(QStringLiteral("settings.info"), kLaterRunSettings);
    QProcess& copy = program.Start();
    const QString window = MainWindow(program, copy);
    ASSERT_TRUE(WaitFor([&] { return program.IsMapped(window); }, kWindowAfterTrayWait));

    TrayHost trayHost(program);
    ASSERT_TRUE(WaitFor([&] { return HasDockedIcon(program, copy); }));

    program.RequestClose(window);
    EXPECT_TRUE(WaitFor([&] { return !program.IsMapped(window); }));
    EXPECT_EQ(copy.state(), QProcess::Running);
}

// At logon the panel often comes up after the program: a tray host that appears within the wait
// keeps the window off the screen, also once the wait is over.
TEST(AppWithoutTrayTest, LaterStartWaitsForATrayHostThatComesUpLate) {
    ProgramUnderTest program;
    program.WriteSettingsFile(QStringLiteral("settings.info"), kLaterRunSettings);
    program.StartSessionBus();
    QProcess& copy = program.Start();
    const QString window = MainWindow(program, copy);
    ASSERT_FALSE(window.isEmpty());
    DisplayEvents events;
    events.Select(window.toULong(), StructureNotifyMask);
    const auto mapped = [&] {
        return events.Arrived([](const XEvent& event) { return event.type == MapNotify; });
    };
    // It answers the command line only once it has looked for a tray host and begun to wait.
    ASSERT_TRUE(WaitFor([&] { return program.IsReachable(); }));
    QElapsedTimer sinceWaiting;
    sinceWaiting.start();
    ASSERT_FALSE(program.IsMapped(window));

    TrayHost trayHost(program);
    ASSERT_TRUE(WaitFor([&] { return HasDockedIcon(program, copy); }));
    ASSERT_FALSE(mapped()) << "the window came up before the icon docked, "
                           << sinceWaiting.elapsed() << " ms into the wait";
    // Until past the end of the wait, with a margin for a late timer of the program.
    const std::chrono::milliseconds endOfWait = kTrayHostWait + std::chrono::seconds(5);
    EXPECT_FALSE(WaitUntil(mapped, endOfWait - std::chrono::milliseconds(sinceWaiting.elapsed())));
    EXPECT_EQ(copy.state(), QProcess::Running);
}

// Without a tray a failed change reaches the user through the desktop's notification service,
// and without that too through a message in the program's window.
TEST(AppWithoutTrayTest, ChangeFailureIsANotificationOrElseAWindowMessage) {
    for (const bool withNotificationService : {true, false}) {
        ProgramUnderTest program;
        PrivateBus bus(withNotificationService);
        ASSERT_FALSE(bus.Address().isEmpty());
        program.SetEnvironment(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"), bus.Address());
        // A timed change with an empty source list fails.
        program.WriteSettingsFile(QStringLiteral("settings.info"),
                                  "onload_change false\ntimer_change true\nchange_interval 2\n");
        QProcess& copy = program.Start();

        if (withNotificationService) {
            EXPECT_TRUE(WaitFor([&] { return !bus.FirstNotification().isEmpty(); }));
            EXPECT_EQ(bus.FirstNotification(),
                      "Vornk Wallpaper Changer\nAn error has occurred during the image change. "
                      "The source list is empty or the images have the unsupported format");
        } else {
            // The main window and the message, both titled with the product name.
            EXPECT_TRUE(WaitFor([&] { return program.Windows(copy, true).size() == 2; },
                                kWindowAfterTrayWait));
        }
        EXPECT_EQ(copy.state(), QProcess::Running) << withNotificationService;
    }
}

}  // namespace
