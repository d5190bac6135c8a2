#include <gtest/gtest.h>

#include <QProcess>
#include <QThread>

#include "tests/app/ProgramUnderTest.h"

namespace {

const QByteArray kLaterRunSettings =
    "onload_change false\ntimer_change true\nchange_interval 1800\n";

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
    ASSERT_TRUE(WaitFor([&] { return program.IsMapped(window); }));

    program.RequestClose(window);
    QThread::msleep(1000);
    EXPECT_TRUE(program.IsMapped(window));
    EXPECT_EQ(copy.state(), QProcess::Running);
}

// Once a tray host appears the program docks its icon and closing hides the window again.
TEST(AppWithoutTrayTest, TrayAppearingLaterRestoresTheTrayBehaviour) {
    ProgramUnderTest program;
    program.WriteSettingsFile(QStringLiteral("settings.info"), kLaterRunSettings);
    QProcess& copy = program.Start();
    const QString window = MainWindow(program, copy);
    ASSERT_TRUE(WaitFor([&] { return program.IsMapped(window); }));

    QThread::msleep(2000);
    TrayHost trayHost(program);
    const auto dockedIcon = [&] {
        const QStringList all =
            program
                .XdotoolOutput({QStringLiteral("search"), QStringLiteral("--onlyvisible"),
                                QStringLiteral("--pid"), QString::number(copy.processId())})
                .split(QLatin1Char('\n'), Qt::SkipEmptyParts);
        return all.size() > 1;
    };
    ASSERT_TRUE(WaitFor(dockedIcon));

    program.RequestClose(window);
    EXPECT_TRUE(WaitFor([&] { return !program.IsMapped(window); }));
    EXPECT_EQ(copy.state(), QProcess::Running);
}

}  // namespace
