#include <gtest/gtest.h>

#include <algorithm>

#include <signal.h>
#include <QColor>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QProcess>
#include <QRandomGenerator>
#include <QSet>
#include <QTemporaryDir>
#include <QThread>
#include <chrono>
#include <filesystem>
#include <memory>
#include <vector>

#include "tests/app/ProgramUnderTest.h"

namespace {

using namespace std::chrono_literals;

const QByteArray kFirstRunSettings =
    "onload_change false\ntimer_change true\nchange_interval 1800\ndifferent_per_monitor false\n";

bool HasVisibleWindow(const ProgramUnderTest& program, const QProcess& copy) {
    return !program.Windows(copy, true).isEmpty();
}

// Moves the keyboard focus to the window and types keys through the X test extension.
void TypeInto(const ProgramUnderTest& program, const QString& window, const QStringList& keys) {
    WaitFor([&] {
        program.XdotoolOutput({QStringLiteral("windowfocus"), QStringLiteral("--sync"), window});
        return program.XdotoolOutput({QStringLiteral("getwindowfocus")}) == window;
    });
    // The toolkit has to see the focus arrive before it takes keys.
    QThread::msleep(500);
    for (const QString& key : keys) {
        program.XdotoolOutput({QStringLiteral("key"), key});
        QThread::msleep(200);
    }
}

TEST(AppEndToEndTest, FirstStartShowsWindowWritesDefaultsAndRegistersLogonStart) {
    ProgramUnderTest program;
    QProcess& copy = program.Start();

    ASSERT_TRUE(WaitFor([&] { return HasVisibleWindow(program, copy); }));
    EXPECT_EQ(program.ReadSettingsFile(QStringLiteral("settings.info")), kFirstRunSettings);

    QFile entry(program.AutostartEntry());
    ASSERT_TRUE(entry.open(QIODevice::ReadOnly));
    const QString exec =
        QStringLiteral("Exec=\"%1\"").arg(QFileInfo(program.ProgramPath()).canonicalFilePath());
    EXPECT_TRUE(QString::fromUtf8(entry.readAll()).split(QLatin1Char('\n')).contains(exec));
    EXPECT_TRUE(
        program.StandardError(0).contains(QStringLiteral("Can't load source manager settings")));
}

// A package upgrade renames a new program file over the running one: the logon entry names the
// path the program was started from, not the kernel's name for the replaced file.
TEST(AppEndToEndTest, LogonStartNamesTheProgramPathAfterItsFileWasReplaced) {
    ProgramUnderTest program;
    const QString installed =
        QDir::cleanPath(program.ConfigHome() + QStringLiteral("/../bin/vornk"));
    QDir().mkpath(QFileInfo(installed).path());
    ASSERT_TRUE(QFile::copy(program.ProgramPath(), installed));
    // Runs the replaced file through a descriptor kept open across the rename.
    const QString upgradeThenRun = QStringLiteral(
        "exec 3<\"$1\" && cp \"$1\" \"$1.new\" && mv \"$1.new\" \"$1\" && exec /proc/self/fd/3");
    QProcess& copy = program.StartCommand(
        QStringLiteral("sh"),
        {QStringLiteral("-c"), upgradeThenRun, QStringLiteral("sh"), installed});

    ASSERT_TRUE(WaitFor([&] { return HasVisibleWindow(program, copy); }));
    const auto running =
        std::filesystem::read_symlink("/proc/" + std::to_string(copy.processId()) + "/exe");
    ASSERT_EQ(running.string(), installed.toStdString() + " (deleted)");
    QFile entry(program.AutostartEntry());
    ASSERT_TRUE(entry.open(QIODevice::ReadOnly));
    EXPECT_TRUE(QString::fromUtf8(entry.readAll())
                    .split(QLatin1Char('\n'))
                    .contains(QStringLiteral("Exec=\"%1\"").arg(installed)));
}

// As on a full disk, no file can grow: the first start still runs, shows its window and says
// once, beside it, that the settings cannot be saved.
TEST(AppEndToEndTest, FirstStartThatCannotSaveItsSettingsRunsAndSaysSo) {
    ProgramUnderTest program;
    const QString fullDisk = QStringLiteral("trap '' XFSZ; ulimit -f 0; exec \"$1\"");
    QProcess& copy = program.StartCommand(
        QStringLiteral("sh"),
        {QStringLiteral("-c"), fullDisk, QStringLiteral("sh"), program.ProgramPath()});

    // The main window and the message, both titled with the product name.
    EXPECT_TRUE(WaitFor([&] { return program.Windows(copy, true).size() == 2; }));
    QThread::msleep(1000);
    EXPECT_EQ(program.Windows(copy, true).size(), 2);
    EXPECT_EQ(copy.state(), QProcess::Running) << program.StandardError(0).toStdString();
    EXPECT_TRUE(program.ReadSettingsFile(QStringLiteral("settings.info")).isEmpty());
}

// Every timed change saves the current wallpaper; a file that cannot be replaced is told once,
// not at every change, and a closed message stays closed.
TEST(AppEndToEndTest, LaterSaveFailureIsToldOncePerKind) {
    ProgramUnderTest program;
    const auto images = MakeColourFolder(program.ConfigHome() + QStringLiteral("/../pictures"));
    program.WriteSettingsFile(QStringLiteral("settings.info"), SettingsInfo(false, true, 2));
    program.WriteSettingsFile(QStringLiteral("sources.info"),
                              SourcesInfoWithFolder(QFileInfo(images[0].first).absolutePath()));
    // A folder in the file's place cannot be replaced, not even by root.
    QDir().mkpath(program.SettingsFile(QStringLiteral("current_wallpaper.txt/inside")));
    QProcess& copy = program.Start();

    QStringList windows;
    ASSERT_TRUE(WaitFor([&] { return (windows = program.Windows(copy, true)).size() == 1; }));
    program.RequestClose(windows[0]);
    ASSERT_TRUE(WaitFor([&] { return program.Windows(copy, true).isEmpty(); }));
    const QString wallpaper = program.SettingsFile(QStringLiteral("wallpaper.bmp"));
    const QDateTime firstChange = QFileInfo(wallpaper).lastModified();
    ASSERT_TRUE(WaitFor([&] { return QFileInfo(wallpaper).lastModified() != firstChange; }));
    QThread::msleep(1000);

    EXPECT_TRUE(program.Windows(copy, true).isEmpty());
    EXPECT_EQ(copy.state(), QProcess::Running);
    EXPECT_TRUE(
        QFileInfo::exists(program.SettingsFile(QStringLiteral("current_wallpaper.txt/inside"))));
    EXPECT_EQ(program.ReadSettingsFile(QStringLiteral("settings.info")),
              SettingsInfo(false, true, 2));
}

TEST(AppEndToEndTest, LaterStartStaysInTheTrayAndKeepsLogonStartAsTheUserSetIt) {
    ProgramUnderTest program;
    program.WriteSettingsFile(QStringLiteral("settings.info"), SettingsInfo(false, true, 1800));
    QProcess& copy = program.Start();

    ASSERT_TRUE(WaitFor([&] { return !program.Windows(copy, false).isEmpty(); }));
    QThread::msleep(1500);
    EXPECT_TRUE(program.Windows(copy, true).isEmpty());
    EXPECT_EQ(copy.state(), QProcess::Running);
    EXPECT_FALSE(QFile::exists(program.AutostartEntry()));
}

TEST(AppEndToEndTest, ChangeOnStartShowsTheImageAfterTheSavedOne) {
    ProgramUnderTest program;
    const auto images = MakeColourFolder(program.ConfigHome() + QStringLiteral("/../pictures"));
    ASSERT_EQ(images.size(), 3u);
    program.WriteSettingsFile(QStringLiteral("settings.info"), SettingsInfo(true, false, 1800));
    program.WriteSettingsFile(QStringLiteral("sources.info"),
                              SourcesInfoWithFolder(QFileInfo(images[0].first).absolutePath()));
    program.WriteSettingsFile(QStringLiteral("current_algorithm.txt"), "Normal");
    program.WriteSettingsFile(QStringLiteral("current_wallpaper.txt"), images[0].first.toUtf8());
    program.Start();

    ASSERT_TRUE(WaitFor([&] {
        return program.ReadSettingsFile(QStringLiteral("current_wallpaper.txt")) ==
               images[1].first.toUtf8();
    }));
    EXPECT_TRUE(Near(program.RootWindowPixel(300, 300), images[1].second));
    EXPECT_TRUE(QFile::exists(program.SettingsFile(QStringLiteral("wallpaper.bmp"))));
}

// An X server nested in the fixture's, whose screen the test resizes the way a monitor plugged in
// or a new layout resizes a session's.
class NestedScreen {
public:
    explicit NestedScreen(const QString& hostDisplay) {
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("DISPLAY"), hostDisplay);
        server.setProcessEnvironment(environment);
        server.start(QStringLiteral("sh"),
                     {QStringLiteral("-c"),
                      QStringLiteral("exec Xephyr -displayfd 3 -noreset -nolisten tcp -resizeable "
                                     "-screen 1280x800 3>\"$0\""),
                      folder.filePath(QStringLiteral("display"))});
        WaitFor([&] { return !ReadDisplay().isEmpty(); });
        name = QLatin1Char(':') + ReadDisplay();
    }
    ~NestedScreen() {
        server.terminate();
        server.waitForFinished();
    }
    NestedScreen(const NestedScreen&) = delete;
    NestedScreen& operator=(const NestedScreen&) = delete;

    QString Name() const { return name; }
    void Resize(int width, int height) {
        QProcess xrandr;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("DISPLAY"), name);
        xrandr.setProcessEnvironment(environment);
        xrandr.start(QStringLiteral("xrandr"),
                     {QStringLiteral("--output"), QStringLiteral("default"),
                      QStringLiteral("--mode"), QStringLiteral("%1x%2").arg(width).arg(height)});
        xrandr.waitForFinished();
    }

private:
    QString ReadDisplay() const {
        QFile file(folder.filePath(QStringLiteral("display")));
        return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readLine()).trimmed()
                                              : QString();
    }

    QTemporaryDir folder;
    QProcess server;
    QString name;
};

// The shown picture is fitted again when the screen changes, and no other image is picked. The
// picture's left half is red, its right half blue: where they meet on the screen tells how it
// was fitted.
TEST(AppEndToEndTest, AResizedScreenGetsThePictureFittedAgainWithoutANewPick) {
    ProgramUnderTest program;
    NestedScreen screen(program.DisplayName());
    ASSERT_FALSE(screen.Name().isEmpty());
    const QString pictures = program.ConfigHome() + QStringLiteral("/../pictures");
    QDir().mkpath(pictures);
    QImage halves(1600, 800, QImage::Format_RGB32);
    halves.fill(Qt::red);
    for (int y = 0; y < halves.height(); ++y) {
        std::fill_n(reinterpret_cast<QRgb*>(halves.scanLine(y)) + 800, 800, qRgb(0, 0, 255));
    }
    const QString shown = pictures + QStringLiteral("/halves.png");
    const QString other = pictures + QStringLiteral("/other.png");
    ASSERT_TRUE(halves.save(shown));
    ASSERT_TRUE(halves.scaled(64, 64).save(other));
    program.WriteSettingsFile(QStringLiteral("settings.info"), SettingsInfo(true, false, 1800));
    program.WriteSettingsFile(QStringLiteral("sources.info"), SourcesInfo({shown, other}, 2));
    program.WriteSettingsFile(QStringLiteral("current_algorithm.txt"), "Normal");
    program.SetEnvironment(QStringLiteral("DISPLAY"), screen.Name());
    program.StartSessionBus();
    program.Start();
    RootWindowReader root(screen.Name());
    // 1280x800 shows the middle 1280 columns: the halves meet at x 640.
    ASSERT_TRUE(WaitFor([&] { return Near(root.Pixel(700, 400), Qt::blue); }));
    // The change on start comes before the program watches the screen.
    ASSERT_TRUE(WaitFor([&] { return program.IsReachable(); }));

    screen.Resize(1600, 1200);
    // Filled to 2400x1200 and cut 400 a side: they now meet at x 800.
    EXPECT_TRUE(WaitFor([&] {
        return Near(root.Pixel(700, 600), Qt::red) && Near(root.Pixel(1500, 1100), Qt::blue);
    }));
    EXPECT_EQ(program.ReadSettingsFile(QStringLiteral("current_wallpaper.txt")), shown.toUtf8());
}

// Names in an old archive's Latin-1: the folder is listed, kept in the source list exactly and its
// image shown; "current_wallpaper.txt" keeps the name's own bytes behind its UTF-8 mark, so that
// after a restart the program still names the file itself.
TEST(AppEndToEndTest, NamesThatAreNotUtf8AreListedShownAndKept) {
    ProgramUnderTest program;
    program.StartSessionBus();
    const std::string folder =
        (program.ConfigHome() + QStringLiteral("/../")).toStdString() + "\xC4pfel";
    // Qt names files in UTF-8 only: it neither writes into this folder nor removes it.
    std::filesystem::create_directories(folder);
    const std::unique_ptr<const std::string, void (*)(const std::string*)> removal(
        &folder, [](const std::string* path) { std::filesystem::remove_all(*path); });
    QImage image(64, 48, QImage::Format_RGB32);
    const QColor red(220, 30, 30);
    image.fill(red);
    const QString saved = program.ConfigHome() + QStringLiteral("/../red.png");
    ASSERT_TRUE(image.save(saved));
    const std::string picture = folder + "/r\xF6t.png";
    std::filesystem::rename(saved.toStdString(), picture);
    const QByteArray sources = "sources\n{\n    module\n    {\n        path " +
                               QByteArray::fromStdString(folder) + "\n        type 0\n    }\n}\n";
    program.WriteSettingsFile(QStringLiteral("sources.info"), sources);

    // The first start shows the picture; the second one, without a change, only reads it back.
    for (const bool changeOnStart : {true, false}) {
        SCOPED_TRACE(changeOnStart ? "first start" : "restart");
        program.WriteSettingsFile(QStringLiteral("settings.info"),
                                  SettingsInfo(changeOnStart, false, 1800));
        QProcess& copy = program.Start();
        if (changeOnStart) {
            ASSERT_TRUE(WaitFor([&] { return Near(program.RootWindowPixel(300, 300), red); }));
            // The screen shows the picture while the bitmap is still being written; the name is
            // recorded once the change is complete.
            const QByteArray recorded = "\xEF\xBB\xBF" + QByteArray::fromStdString(picture);
            EXPECT_TRUE(WaitFor([&] {
                return program.ReadSettingsFile(QStringLiteral("current_wallpaper.txt")) ==
                       recorded;
            })) << program.ReadSettingsFile(QStringLiteral("current_wallpaper.txt")).toStdString();
        }
        ASSERT_TRUE(WaitFor([&] { return program.IsReachable(); }));
        EXPECT_EQ(program.Run({QStringLiteral("--current")}).output,
                  QByteArray::fromStdString(picture) + '\n');
        EXPECT_EQ(program.ReadSettingsFile(QStringLiteral("sources.info")), sources);
        copy.kill();
        copy.waitForFinished(5000);
    }
}

TEST(AppEndToEndTest, TimedChangeComesAfterIntervalPlusOneSeconds) {
    ProgramUnderTest program;
    const auto images = MakeColourFolder(program.ConfigHome() + QStringLiteral("/../pictures"));
    program.WriteSettingsFile(QStringLiteral("settings.info"), SettingsInfo(false, true, 2));
    program.WriteSettingsFile(QStringLiteral("sources.info"),
                              SourcesInfoWithFolder(QFileInfo(images[0].first).absolutePath()));
    program.WriteSettingsFile(QStringLiteral("current_algorithm.txt"), "Normal");

    const auto started = std::chrono::steady_clock::now();
    QProcess& copy = program.Start();
    // The period is counted from the moment the program is up, not from the process start,
    // whose start-up alone can take a second: an interval-long period must fail here.
    ASSERT_TRUE(WaitFor([&] { return !program.Windows(copy, false).isEmpty(); }));
    const auto up = std::chrono::steady_clock::now();
    ASSERT_TRUE(WaitFor([&] {
        return QFile::exists(program.SettingsFile(QStringLiteral("current_wallpaper.txt")));
    }));
    const auto changed = std::chrono::steady_clock::now();
    EXPECT_GE(changed - up, 2500ms);
    EXPECT_LT(changed - started, 8s);
    EXPECT_EQ(program.ReadSettingsFile(QStringLiteral("current_wallpaper.txt")),
              images[0].first.toUtf8());
}

TEST(AppEndToEndTest, SecondCopyTellsTheUserAndExitsWithoutTouchingAnything) {
    ProgramUnderTest program;
    QProcess& first = program.Start();
    ASSERT_TRUE(WaitFor([&] { return HasVisibleWindow(program, first); }));
    const QByteArray settings = program.ReadSettingsFile(QStringLiteral("settings.info"));
    const auto settingsTime =
        QFileInfo(program.SettingsFile(QStringLiteral("settings.info"))).lastModified();
    QFile::remove(program.AutostartEntry());

    QProcess& second = program.Start();
    QStringList box;
    ASSERT_TRUE(WaitFor([&] { return !(box = program.Windows(second, true)).isEmpty(); }));
    TypeInto(program, box.first(), {QStringLiteral("Return")});

    ASSERT_TRUE(second.waitForFinished(10000));
    EXPECT_EQ(second.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(second.exitCode(), 0);
    EXPECT_EQ(first.state(), QProcess::Running);
    EXPECT_EQ(program.ReadSettingsFile(QStringLiteral("settings.info")), settings);
    EXPECT_EQ(QFileInfo(program.SettingsFile(QStringLiteral("settings.info"))).lastModified(),
              settingsTime);
    EXPECT_FALSE(QFile::exists(program.AutostartEntry()));
}

TEST(AppEndToEndTest, ExitFromTheFileMenuEndsWithCodeZero) {
    ProgramUnderTest program;
    QProcess& copy = program.Start();
    QStringList windows;
    ASSERT_TRUE(WaitFor([&] { return !(windows = program.Windows(copy, true)).isEmpty(); }));

    // Without a window manager a key can arrive before the toolkit takes the focus; a menu left
    // open by a lost key is closed before the next try.
    bool exited = false;
    for (int attempt = 0; attempt < 3 && !exited; ++attempt) {
        TypeInto(program, windows.first(),
                 {QStringLiteral("Escape"), QStringLiteral("alt+f"), QStringLiteral("Return")});
        exited = copy.waitForFinished(3000);
    }
    ASSERT_TRUE(exited);
    EXPECT_EQ(copy.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(copy.exitCode(), 0);
}

// The exit neither waits for the conversion in flight nor leaves its converter running.
TEST(AppEndToEndTest, ExitDuringAChangeEndsTheProgramAndItsConverterAtOnce) {
    ProgramUnderTest program;
    program.StartSessionBus();
    const auto images = MakeColourFolder(program.ConfigHome() + QStringLiteral("/../pictures"));
    const QString pidFile = QDir::cleanPath(program.ConfigHome() + QStringLiteral("/../pid"));
    program.SetEnvironment(
        QStringLiteral("VORNK_IMAGE_CONVERTER"),
        program.StandInConverter(QStringLiteral("echo $$ > '%1'; exec sleep 60").arg(pidFile)));
    program.WriteSettingsFile(QStringLiteral("settings.info"), SettingsInfo(false, false, 1800));
    program.WriteSettingsFile(QStringLiteral("sources.info"),
                              SourcesInfoWithFolder(QFileInfo(images[0].first).absolutePath()));
    QProcess& copy = program.Start();
    ASSERT_TRUE(WaitFor([&] { return program.IsReachable(); }));
    program.Run({QStringLiteral("--next")});
    ASSERT_TRUE(WaitFor([&] { return QFileInfo(pidFile).size() > 0; }));
    QFile pid(pidFile);
    ASSERT_TRUE(pid.open(QIODevice::ReadOnly));
    const pid_t converter = pid.readAll().trimmed().toInt();

    program.Run({QStringLiteral("--exit")});
    ASSERT_TRUE(copy.waitForFinished(1000));
    EXPECT_EQ(copy.exitCode(), 0);
    EXPECT_NE(kill(converter, 0), 0);
}

TEST(AppEndToEndTest, PictureThatCrashesTheConverterFailsAndTheChangesGoOn) {
    ProgramUnderTest program;
    const auto images = MakeColourFolder(program.ConfigHome() + QStringLiteral("/../pictures"));
    const QString folder = QFileInfo(images[0].first).absolutePath();
    QFile::copy(images[0].first, folder + QStringLiteral("/crash.png"));
    const QString crashed = QDir::cleanPath(program.ConfigHome() + QStringLiteral("/../crashed"));
    // As a damaged file brings a decoder down.
    program.SetEnvironment(
        QStringLiteral("VORNK_IMAGE_CONVERTER"),
        program.StandInConverter(
            QStringLiteral("case \"$1\" in *crash.png) touch '%1'; kill -SEGV $$;; esac")
                .arg(crashed)));
    program.WriteSettingsFile(QStringLiteral("settings.info"), SettingsInfo(false, true, 0));
    program.WriteSettingsFile(QStringLiteral("sources.info"), SourcesInfoWithFolder(folder));
    program.WriteSettingsFile(QStringLiteral("current_algorithm.txt"), "Normal");
    program.Start();

    // Every picture but the damaged one is shown in turn, the damaged one never.
    QSet<QByteArray> shown;
    ASSERT_TRUE(WaitFor(
        [&] {
            shown.insert(program.ReadSettingsFile(QStringLiteral("current_wallpaper.txt")));
            return QFile::exists(crashed) && shown.contains(images[0].first.toUtf8()) &&
                   shown.contains(images[1].first.toUtf8()) &&
                   shown.contains(images[2].first.toUtf8());
        },
        30s))
        << "crashed: " << QFile::exists(crashed) << ", pictures shown: " << shown.size();
    EXPECT_FALSE(shown.contains((folder + QStringLiteral("/crash.png")).toUtf8()));
    EXPECT_EQ(program.Copy(0).state(), QProcess::Running);
}

// Every settings file present after a kill holds complete content: the files are replaced, never
// rewritten in place.
TEST(AppEndToEndTest, KillingTheProgramAtAnyMomentNeverCorruptsASettingsFile) {
    ProgramUnderTest program;
    const auto images = MakeColourFolder(program.ConfigHome() + QStringLiteral("/../pictures"));
    const QByteArray sources = SourcesInfoWithFolder(QFileInfo(images[0].first).absolutePath());
    auto* random = QRandomGenerator::global();
    for (int round = 0; round < 12; ++round) {
        if (round % 3 == 0) {
            QFile::remove(program.SettingsFile(QStringLiteral("settings.info")));
        } else {
            program.WriteSettingsFile(QStringLiteral("settings.info"), SettingsInfo(true, true, 0));
        }
        program.WriteSettingsFile(QStringLiteral("sources.info"), sources);
        QProcess& copy = program.Start();
        QThread::msleep(random->bounded(50, 1500));
        copy.kill();
        copy.waitForFinished(5000);

        // A first run writes each of its three defaults in turn: any of those complete versions
        // may be the last one, or none if the kill came first.
        const QByteArray settings = program.ReadSettingsFile(QStringLiteral("settings.info"));
        const std::vector<QByteArray> complete{
            QByteArray(), SettingsInfo(false, true, 5) + "different_per_monitor false\n",
            kFirstRunSettings, SettingsInfo(true, true, 0)};
        EXPECT_NE(std::find(complete.begin(), complete.end(), settings), complete.end())
            << "round " << round << ": " << settings.toStdString();
        EXPECT_EQ(program.ReadSettingsFile(QStringLiteral("sources.info")), sources);
        const QByteArray current =
            program.ReadSettingsFile(QStringLiteral("current_wallpaper.txt"));
        const bool currentIsWhole = current.isEmpty() || current == images[0].first.toUtf8() ||
                                    current == images[1].first.toUtf8() ||
                                    current == images[2].first.toUtf8();
        EXPECT_TRUE(currentIsWhole) << "round " << round << ": " << current.toStdString();
    }
}

}  // namespace
