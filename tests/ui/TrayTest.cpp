#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QImage>
#include <QLabel>
#include <QMenu>
#include <QPixmap>
#include <QProcess>
#include <QRegularExpression>
#include <QScreen>
#include <QSystemTrayIcon>
#include <QWindow>

#include "tests/fakes/FakeCore.h"
#include "tests/ui/MainWindowParts.h"
#include "tests/ui/TestWait.h"
#include "ui/MainWindow.h"

namespace {

// Runs on the fixture's X server with a real tray host, so the icon is embedded for real.
class TrayTest : public testing::Test, protected MainWindowParts<MainWindow> {
protected:
    void SetUp() override {
        FakeCore::Instance().Reset();
        FakeCore::Instance().AddFolder(u"/home/ann/Pictures/Summer",
                                       {{u"/home/ann/Pictures/Summer/beach.jpg"}, {}});
        FakeCore::Instance().AddFolder(u"/home/ann/Pictures/Travel",
                                       {{}, {u"/home/ann/Pictures/Travel/2024/alps.png"}});
        ASSERT_TRUE(WaitUntil([] { return QSystemTrayIcon::isSystemTrayAvailable(); }));
        ASSERT_TRUE(WaitUntil([] { return IconWindow() != nullptr; }));
        ASSERT_TRUE(WaitUntil([] { return IsEmbedded(IconWindow()->winId()); }));
    }

    void TearDown() override {
        for (QWidget* widget : QApplication::topLevelWidgets()) {
            widget->hide();
        }
        QCoreApplication::processEvents();
    }

    QSystemTrayIcon* TrayIcon() const { return window.findChild<QSystemTrayIcon*>("trayIcon"); }

    static QString Run(const QString& program, const QStringList& arguments) {
        QProcess process;
        process.start(program, arguments);
        process.waitForFinished();
        return QString::fromLocal8Bit(process.readAllStandardOutput());
    }

    // The toolkit's widget that the tray host embeds.
    static QWidget* IconWindow() { return VisibleTopLevel("QSystemTrayIconSys"); }

    static bool IsEmbedded(WId window) {
        const QString tree = Run("xwininfo", {"-tree", "-id", QString::number(window)});
        const QRegularExpression parent(QStringLiteral("Parent window id: 0x[0-9a-f]+ (.*)"));
        const QRegularExpressionMatch match = parent.match(tree);
        return match.hasMatch() && !match.captured(1).startsWith("(the root window)");
    }

    // The toolkit reports the embedded icon's position relative to the tray, so click it by
    // window instead of by screen position.
    static bool ClickIcon(const char* button) {
        const QWidget* icon = IconWindow();
        return QProcess::execute("xdotool",
                                 {"mousemove", "--window", QString::number(icon->winId()),
                                  QString::number(icon->width() / 2),
                                  QString::number(icon->height() / 2), "click", button}) == 0;
    }

    static QWidget* VisibleTopLevel(const char* className) {
        for (QWidget* widget : QApplication::topLevelWidgets()) {
            if (widget->isVisible() && widget->inherits(className)) {
                return widget;
            }
        }
        return nullptr;
    }

    static void FinishPainting() {
        for (int round = 0; round < 10; ++round) {
            QCoreApplication::processEvents();
            QApplication::sync();
        }
    }

    // Saved for a person to look at; the tests check on it that the widgets are on screen.
    static QImage SaveScreenshot(const QString& name) {
        FinishPainting();
        const QPixmap screen = QGuiApplication::primaryScreen()->grabWindow(0);
        const QDir folder(QStringLiteral(VORNK_SCREENSHOT_DIR));
        EXPECT_TRUE(folder.mkpath(QStringLiteral(".")));
        EXPECT_TRUE(screen.save(folder.filePath(name + ".png")));
        return screen.toImage();
    }

    // The screen at the widget's place shows what the widget draws, inside its shape (a
    // blinking cursor or a focus frame may differ).
    static bool ShowsWidget(const QImage& screen, QWidget& widget) {
        const QImage drawn = widget.grab().toImage().convertToFormat(QImage::Format_RGB32);
        const QImage shown = screen.copy(QRect(widget.mapToGlobal(QPoint(0, 0)), drawn.size()))
                                 .convertToFormat(QImage::Format_RGB32);
        const QRegion shape = widget.mask().isEmpty() ? QRegion(widget.rect()) : widget.mask();
        qint64 inside = 0;
        qint64 same = 0;
        for (int y = 0; y < drawn.height(); ++y) {
            for (int x = 0; x < drawn.width(); ++x) {
                if (shape.contains(QPoint(x, y))) {
                    ++inside;
                    same += drawn.pixel(x, y) == shown.pixel(x, y) ? 1 : 0;
                }
            }
        }
        return inside > 0 && shown.size() == drawn.size() && same >= inside * 95 / 100;
    }
};

TEST_F(TrayTest, IconIsEmbeddedInTheTrayWhileTheWindowIsHidden) {
    EXPECT_TRUE(TrayIcon()->isVisible());
    EXPECT_FALSE(window.isVisible());
    EXPECT_TRUE(IsEmbedded(IconWindow()->winId()));
}

TEST_F(TrayTest, LeftClickOnTheIconShowsTheWindow) {
    ASSERT_TRUE(ClickIcon("1"));
    EXPECT_TRUE(WaitUntil([&] { return window.isVisible(); }));
}

TEST_F(TrayTest, RightClickOnTheIconOpensTheMenuOnly) {
    ASSERT_TRUE(ClickIcon("3"));
    EXPECT_TRUE(WaitUntil([&] { return TrayIcon()->contextMenu()->isVisible(); }));
    EXPECT_FALSE(window.isVisible());
}

TEST_F(TrayTest, ScreenshotOfTheMainWindowAndTheOptionsDialog) {
    manager.AddFolderSource(u"/home/ann/Pictures/Summer", false);
    manager.AddFolderSource(u"/home/ann/Pictures/Travel", true);
    manager.AddFileSource(u"/home/ann/Downloads/aurora.jpg");
    window.move(40, 40);
    window.ShowSelf();
    ASSERT_TRUE(WaitUntil([&] { return window.isActiveWindow(); }));
    ASSERT_TRUE(WaitUntil([&] { return window.windowHandle()->isExposed(); }));
    EXPECT_TRUE(WaitUntil(
        [&] { return ShowsWidget(SaveScreenshot(QStringLiteral("ui-main-window")), window); }));

    optionsDialog.move(window.frameGeometry().right() + 40, 80);
    optionsDialog.ShowDialog();
    ASSERT_TRUE(WaitUntil([&] { return optionsDialog.isVisible(); }));
    EXPECT_TRUE(WaitUntil([&] { return optionsDialog.windowHandle()->isExposed(); }));
    EXPECT_TRUE(WaitUntil([&] {
        const QImage both = SaveScreenshot(QStringLiteral("ui-options-dialog"));
        return ShowsWidget(both, window) && ShowsWidget(both, optionsDialog);
    }));
}

TEST_F(TrayTest, FailedChangeShowsTheBalloonAtTheIcon) {
    window.findChild<QAction*>("nextWallpaperAction")->trigger();

    ASSERT_TRUE(WaitUntil([] { return VisibleTopLevel("QBalloonTip") != nullptr; }));
    QWidget* balloon = VisibleTopLevel("QBalloonTip");
    QStringList texts;
    for (const QLabel* label : balloon->findChildren<QLabel*>()) {
        texts << label->text();
    }
    EXPECT_TRUE(texts.contains("Vornk Wallpaper Changer")) << texts.join("|").toStdString();
    EXPECT_TRUE(texts.contains(kChangeErrorText)) << texts.join("|").toStdString();
    EXPECT_TRUE(WaitUntil([&] {
        return ShowsWidget(SaveScreenshot(QStringLiteral("ui-warning-balloon")), *balloon);
    }));
}

}  // namespace
