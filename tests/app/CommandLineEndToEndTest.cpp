#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <chrono>
#include <filesystem>
#include <iostream>
#include <string>
#include <thread>

#include "tests/app/ProgramUnderTest.h"

namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

// A program with a folder of three colours in "Normal" order, the first one current.
std::vector<std::pair<QString, QColor>> SetUpColours(const ProgramUnderTest& program,
                                                     bool timerChange) {
    auto images = MakeColourFolder(program.ConfigHome() + QStringLiteral("/../pictures"));
    program.WriteSettingsFile(QStringLiteral("settings.info"), SettingsInfo(false, timerChange, 2));
    program.WriteSettingsFile(QStringLiteral("sources.info"),
                              SourcesInfoWithFolder(QFileInfo(images[0].first).absolutePath()));
    program.WriteSettingsFile(QStringLiteral("current_algorithm.txt"), "Normal");
    program.WriteSettingsFile(QStringLiteral("current_wallpaper.txt"), images[0].first.toUtf8());
    return images;
}

// Polls faster than WaitFor: the time until the screen changes is measured.
std::chrono::milliseconds TimeUntilScreenShows(const ProgramUnderTest& program,
                                               const QColor& colour, Clock::time_point since) {
    while (!Near(program.RootWindowPixel(300, 300), colour)) {
        if (Clock::now() - since > 20s) {
            return 1h;
        }
        std::this_thread::sleep_for(10ms);
    }
    return std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - since);
}

TEST(CommandLineEndToEndTest, NextChangesTheScreenAndTheCallerEndsWithoutABox) {
    ProgramUnderTest program;
    program.StartSessionBus();
    const auto images = SetUpColours(program, false);
    const QProcess& running = program.Start();
    ASSERT_TRUE(WaitFor([&] { return program.IsReachable(); }));

    // The first request moves the screen away from whatever an earlier test left on it.
    for (std::size_t shown = 1; shown < images.size(); ++shown) {
        const auto asked = Clock::now();
        const CommandResult next = program.Run({QStringLiteral("--next")});
        EXPECT_EQ(next.exitCode, 0);
        EXPECT_EQ(next.output + next.errors, QByteArray());
        const auto onScreen = TimeUntilScreenShows(program, images[shown].second, asked);
        EXPECT_LT(onScreen, 20s);
        EXPECT_TRUE(WaitFor([&] {
            return program.ReadSettingsFile(QStringLiteral("current_wallpaper.txt")) ==
                   images[shown].first.toUtf8();
        }));
        std::cout << "--next: the caller took " << next.took.count() << " ms, the screen changed "
                  << onScreen.count() << " ms after the call\n";
    }
    EXPECT_EQ(running.state(), QProcess::Running);
}

QByteArray ReadWhole(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// The callers end while the first change is held in its conversion, so neither waited for it.
TEST(CommandLineEndToEndTest, SecondNextDuringAHeldChangeIsCarriedOutAfterIt) {
    ProgramUnderTest program;
    program.StartSessionBus();
    const auto images = SetUpColours(program, false);
    const QString log = QDir::cleanPath(program.ConfigHome() + QStringLiteral("/../converted"));
    const QString gate = QDir::cleanPath(program.ConfigHome() + QStringLiteral("/../open"));
    program.SetEnvironment(
        QStringLiteral("VORNK_IMAGE_CONVERTER"),
        program.StandInConverter(QStringLiteral("echo \"$1\" >> '%1'\n"
                                                "while [ ! -e '%2' ]; do sleep 0.05; done")
                                     .arg(log, gate)));
    program.Start();
    ASSERT_TRUE(WaitFor([&] { return program.IsReachable(); }));

    for (int request = 0; request < 2; ++request) {
        const CommandResult next = program.Run({QStringLiteral("--next")});
        EXPECT_EQ(next.exitCode, 0);
        EXPECT_EQ(next.output + next.errors, QByteArray());
    }
    // The converter is told only the image's name; the file itself comes as a descriptor.
    const QByteArray first = QFileInfo(images[1].first).fileName().toUtf8() + "\n";
    ASSERT_TRUE(WaitFor([&] { return ReadWhole(log) == first; })) << ReadWhole(log).toStdString();
    ASSERT_TRUE(QFile(gate).open(QIODevice::WriteOnly));
    ASSERT_TRUE(WaitFor([&] {
        return program.ReadSettingsFile(QStringLiteral("current_wallpaper.txt")) ==
               images[2].first.toUtf8();
    }));
    EXPECT_EQ(ReadWhole(log), first + QFileInfo(images[2].first).fileName().toUtf8() + "\n");
    EXPECT_TRUE(Near(program.RootWindowPixel(300, 300), images[2].second));
}

// A file name is bytes on Linux; one that is not UTF-8 cannot be a D-Bus string, so the bus
// carries it as bytes as well, and --current prints the path of the file itself.
TEST(CommandLineEndToEndTest, CurrentPrintsTheBytesOfANameThatIsNotUtf8) {
    ProgramUnderTest program;
    program.StartSessionBus();
    const auto images = MakeColourFolder(program.ConfigHome() + QStringLiteral("/../pictures"));
    const std::filesystem::path folder =
        QDir::cleanPath(program.ConfigHome() + QStringLiteral("/../latin1")).toStdString();
    std::filesystem::create_directories(folder);
    const std::string picture = (folder / "gr\xFCn-\xFF.png").string();
    std::filesystem::copy_file(images[1].first.toStdString(), picture);
    program.WriteSettingsFile(QStringLiteral("settings.info"), SettingsInfo(false, false, 2));
    program.WriteSettingsFile(QStringLiteral("sources.info"),
                              SourcesInfoWithFolder(QString::fromStdString(folder.string())));
    program.WriteSettingsFile(QStringLiteral("current_algorithm.txt"), "Normal");
    program.Start();
    ASSERT_TRUE(WaitFor([&] { return program.IsReachable(); }));

    EXPECT_EQ(program.Run({QStringLiteral("--next")}).exitCode, 0);
    const QByteArray expected = QByteArray::fromStdString(picture) + '\n';
    QByteArray printed;
    EXPECT_TRUE(WaitFor([&] {
        printed = program.Run({QStringLiteral("--current")}).output;
        return printed == expected;
    })) << printed.toStdString();
    EXPECT_TRUE(std::filesystem::exists(printed.chopped(1).toStdString()));
    EXPECT_TRUE(Near(program.RootWindowPixel(300, 300), images[1].second));

    // The text property stays valid UTF-8 for those who only show it.
    QProcess gdbus;
    gdbus.start(
        QStringLiteral("gdbus"),
        {QStringLiteral("call"), QStringLiteral("--address"), program.SessionBusAddress(),
         QStringLiteral("--dest"), QStringLiteral("software.vornk.WallpaperChanger"),
         QStringLiteral("--object-path"), QStringLiteral("/software/vornk/WallpaperChanger"),
         QStringLiteral("--method"), QStringLiteral("org.freedesktop.DBus.Properties.Get"),
         QStringLiteral("software.vornk.WallpaperChanger"), QStringLiteral("CurrentWallpaper")});
    ASSERT_TRUE(gdbus.waitForFinished(10000));
    EXPECT_TRUE(gdbus.readAllStandardOutput().contains("/gr?n-?.png'>"));
}

TEST(CommandLineEndToEndTest, OptionsAnswerWithTheirTextsAndExitCodes) {
    ProgramUnderTest program;
    program.StartSessionBus();
    // ISO 8859-1 in the file, UTF-8 on the command line.
    program.WriteSettingsFile(QStringLiteral("current_wallpaper.txt"), "/tmp/Z\xFCrich.png");
    const struct {
        bool withRunningCopy;
        QString option;
        int exitCode;
        QByteArray output;
        QByteArray errorPart;
    } cases[] = {
        {false, QStringLiteral("--version"), 0, "vornk-wallpaper-changer 1.0\n", ""},
        {false, QStringLiteral("--bogus"), 2, "",
         "\nUsage: vornk-wallpaper-changer [--next | --previous | --show | --exit | --current | "
         "--help | --version]\n"},
        {false, QStringLiteral("--current"), 1, "", "is not running"},
        {false, QStringLiteral("--exit"), 1, "", "is not running"},
        {true, QStringLiteral("--current"), 0, "/tmp/Z\xC3\xBCrich.png\n", ""},
        {true, QStringLiteral("--bogus"), 2, "", "Unknown option 'bogus'"},
        {true, QStringLiteral("--exit"), 0, "", ""},
    };
    bool started = false;
    for (const auto& row : cases) {
        SCOPED_TRACE(row.option.toStdString() + (row.withRunningCopy ? " with a copy" : ""));
        if (row.withRunningCopy && !started) {
            started = true;
            program.Start();
            ASSERT_TRUE(WaitFor([&] { return program.IsReachable(); }));
        }
        const CommandResult result = program.Run({row.option});
        EXPECT_EQ(result.exitCode, row.exitCode);
        EXPECT_EQ(result.output, row.output);
        EXPECT_TRUE(result.errors.contains(row.errorPart)) << result.errors.toStdString();
        EXPECT_EQ(result.errors.isEmpty(), row.errorPart.isEmpty());
    }
    ASSERT_TRUE(program.Copy(0).waitForFinished(10000));
    EXPECT_EQ(program.Copy(0).exitCode(), 0);
}

TEST(CommandLineEndToEndTest, PropertiesChangedArrivesForATimedChange) {
    ProgramUnderTest program;
    program.StartSessionBus();
    const auto images = SetUpColours(program, true);
    program.WriteSettingsFile(QStringLiteral("current_wallpaper.txt"), images[2].first.toUtf8());
    program.Start();
    ASSERT_TRUE(WaitFor([&] { return program.IsReachable(); }));

    QProcess monitor;
    monitor.start(QStringLiteral("gdbus"), {QStringLiteral("monitor"), QStringLiteral("--address"),
                                            program.SessionBusAddress(), QStringLiteral("--dest"),
                                            QStringLiteral("software.vornk.WallpaperChanger")});
    QByteArray seen;
    EXPECT_TRUE(WaitFor([&] {
        monitor.waitForReadyRead(100);
        seen += monitor.readAll();
        return seen.contains("PropertiesChanged") &&
               seen.contains("'CurrentWallpaper': <'" + images[0].first.toUtf8() + "'>");
    })) << seen.toStdString();
    monitor.kill();
    monitor.waitForFinished(5000);
}

// What gdbus prints for a command on the running copy's object.
QByteArray AskBus(const ProgramUnderTest& program, const QStringList& command) {
    QProcess gdbus;
    gdbus.start(QStringLiteral("gdbus"),
                command + QStringList{QStringLiteral("--address"), program.SessionBusAddress(),
                                      QStringLiteral("--dest"),
                                      QStringLiteral("software.vornk.WallpaperChanger"),
                                      QStringLiteral("--object-path"),
                                      QStringLiteral("/software/vornk/WallpaperChanger")});
    gdbus.waitForFinished(10000);
    return gdbus.readAllStandardOutput();
}

// The set the last run showed is reported until a change; a change on this one monitor makes a
// set of one picture.
TEST(CommandLineEndToEndTest, CurrentPrintsALineForEachPictureOfTheSet) {
    ProgramUnderTest program;
    program.StartSessionBus();
    const auto images = SetUpColours(program, false);
    program.WriteSettingsFile(QStringLiteral("settings.info"),
                              SettingsInfo(false, false, 2) + "different_per_monitor true\n");
    const QByteArray first = images[0].first.toUtf8();
    const QByteArray second = images[1].first.toUtf8();
    program.WriteSettingsFile(QStringLiteral("current_wallpapers.txt"), first + '\n' + second);
    program.Start();
    ASSERT_TRUE(WaitFor([&] { return program.IsReachable(); }));

    EXPECT_EQ(program.Run({QStringLiteral("--current")}).output, first + '\n' + second + '\n');
    EXPECT_EQ(AskBus(program, {QStringLiteral("call"), QStringLiteral("--method"),
                               QStringLiteral("org.freedesktop.DBus.Properties.Get"),
                               QStringLiteral("software.vornk.WallpaperChanger"),
                               QStringLiteral("CurrentWallpapers")}),
              "(<['" + first + "', '" + second + "']>,)\n");
    const QByteArray introspection = AskBus(program, {QStringLiteral("introspect")});
    EXPECT_TRUE(introspection.contains("readonly as CurrentWallpapers") &&
                introspection.contains("readonly aay CurrentWallpapersBytes"))
        << introspection.toStdString();

    EXPECT_EQ(program.Run({QStringLiteral("--next")}).exitCode, 0);
    const QByteArray third = images[2].first.toUtf8();
    EXPECT_TRUE(WaitFor([&] {
        return program.ReadSettingsFile(QStringLiteral("current_wallpapers.txt")) == third;
    }));
    EXPECT_EQ(program.Run({QStringLiteral("--current")}).output, third + '\n');
}

TEST(CommandLineEndToEndTest, MalformedBusCallsAreRefusedWithALineAndChangeNothing) {
    ProgramUnderTest program;
    program.StartSessionBus();
    const auto images = SetUpColours(program, false);
    const QProcess& running = program.Start();
    ASSERT_TRUE(WaitFor([&] { return program.IsReachable(); }));
    const QString object = QStringLiteral("software.vornk.WallpaperChanger");
    const QStringList calls[] = {
        {object + QStringLiteral(".Next"), QStringLiteral("42")},
        {object + QStringLiteral(".Format")},
        {QStringLiteral("org.freedesktop.DBus.Properties.Set"), object,
         QStringLiteral("CurrentWallpaper"), QStringLiteral("<'/etc/passwd'>")},
        {QStringLiteral("org.freedesktop.DBus.Properties.Get"), object, QStringLiteral("Secret")},
    };
    for (const QStringList& call : calls) {
        SCOPED_TRACE(call.join(QLatin1Char(' ')).toStdString());
        QProcess gdbus;
        gdbus.start(QStringLiteral("gdbus"),
                    QStringList{QStringLiteral("call"), QStringLiteral("--address"),
                                program.SessionBusAddress(), QStringLiteral("--dest"), object,
                                QStringLiteral("--object-path"),
                                QStringLiteral("/software/vornk/WallpaperChanger"),
                                QStringLiteral("--method")} +
                        call);
        ASSERT_TRUE(gdbus.waitForFinished(10000));
        EXPECT_NE(gdbus.exitCode(), 0);
    }
    EXPECT_TRUE(WaitFor([&] {
        return program.StandardError(0).count(QStringLiteral("Ignored a malformed request")) == 4;
    })) << program.StandardError(0).toStdString();
    EXPECT_EQ(running.state(), QProcess::Running);
    EXPECT_EQ(program.Run({QStringLiteral("--current")}).output, images[0].first.toUtf8() + '\n');
}

TEST(CommandLineEndToEndTest, WithoutARunningCopyNextStartsTheProgramAndCarriesItOut) {
    ProgramUnderTest program;
    const auto images = SetUpColours(program, false);
    const QProcess& started = program.Start({QStringLiteral("--next")});
    EXPECT_TRUE(WaitFor([&] {
        return program.ReadSettingsFile(QStringLiteral("current_wallpaper.txt")) ==
               images[1].first.toUtf8();
    }));
    EXPECT_EQ(started.state(), QProcess::Running);
}

TEST(CommandLineEndToEndTest, WithoutASessionBusTheRunningCopyCannotBeReached) {
    ProgramUnderTest program;
    const CommandResult alone = program.Run({QStringLiteral("--current")});
    EXPECT_EQ(alone.exitCode, 1);
    EXPECT_TRUE(alone.errors.contains("is not running")) << alone.errors.toStdString();
    const QProcess& running = program.Start();
    ASSERT_TRUE(WaitFor([&] { return !program.Windows(running, false).isEmpty(); }));
    const CommandResult next = program.Run({QStringLiteral("--next")});
    EXPECT_EQ(next.exitCode, 1);
    EXPECT_TRUE(next.errors.contains("Cannot reach the running copy")) << next.errors.toStdString();
    EXPECT_EQ(running.state(), QProcess::Running);
}

}  // namespace
