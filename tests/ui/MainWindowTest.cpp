#include <gtest/gtest.h>

#include <QApplication>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QPixmap>
#include <QTest>
#include <QTimer>
#include <QToolBar>
#include <QVBoxLayout>
#include <chrono>
#include <tuple>
#include <vector>

#include "tests/fakes/FakeCore.h"
#include "tests/ui/FakeNativeDesktop.h"
#include "tests/ui/MainWindowParts.h"
#include "tests/ui/NextMessageBox.h"
#include "tests/ui/TestWait.h"
#include "tests/ui/ThrowingSubscriber.h"
#include "ui/MainWindow.h"

namespace {

const QString kProductName = QStringLiteral("Vornk Wallpaper Changer");

struct TrayMessage {
    QString title;
    QString text;
    QSystemTrayIcon::MessageIcon icon;
    int milliseconds;

    bool operator==(const TrayMessage&) const = default;
};

void PrintTo(const TrayMessage& message, std::ostream* out) {
    *out << "{" << message.title.toStdString() << ", " << message.text.toStdString() << ", "
         << message.icon << ", " << message.milliseconds << "}";
}

class RecordingMainWindow final : public MainWindow {
public:
    using MainWindow::MainWindow;

    std::vector<TrayMessage> messages;
    bool notificationArea = true;

protected:
    bool HasNotificationArea() const override { return notificationArea; }

    void ShowTrayMessage(const QString& title, const QString& text,
                         QSystemTrayIcon::MessageIcon icon, int milliseconds) override {
        messages.push_back({title, text, icon, milliseconds});
    }
};

class MainWindowTest : public testing::Test, protected MainWindowParts<RecordingMainWindow> {
protected:
    void SetUp() override {
        FakeCore::Instance().Reset();
        FakeCore::Instance().AddFolder(u"/pics", {{u"/pics/a.jpg", u"/pics/b.jpg"}, {}});
        WindowsBroughtToFront().clear();
    }

    QAction* Action(const char* name) const { return window.findChild<QAction*>(name); }
    QSystemTrayIcon* TrayIcon() const { return window.findChild<QSystemTrayIcon*>("trayIcon"); }
};

QStringList Texts(const QList<QAction*>& actions) {
    QStringList texts;
    for (const QAction* action : actions) {
        texts << (action->isSeparator() ? QStringLiteral("|") : action->text());
    }
    return texts;
}

TEST(IconsTest, AllTenAreCompiledInAtTheirSizes) {
    const std::vector<std::tuple<const char*, int>> icons = {
        {"main", 48},    {"exit", 32}, {"help", 32}, {"undo", 32},        {"redo", 32},
        {"options", 32}, {"show", 32}, {"add", 32},  {"remove_item", 32}, {"remove_all", 32}};
    for (const auto& [name, size] : icons) {
        SCOPED_TRACE(name);
        const QPixmap pixmap(QStringLiteral(":/MainWindow/icons/%1.png").arg(name));
        ASSERT_FALSE(pixmap.isNull());
        EXPECT_EQ(pixmap.size(), QSize(size, size));
    }
}

// The window and the options dialog refuse to close (they hide); Exit must end the event loop
// all the same, with code 0.
TEST_F(MainWindowTest, ExitEndsTheEventLoopWhileWindowsAreShown) {
    window.show();
    optionsDialog.ShowDialog();
    QTimer::singleShot(0, Action("exitAction"), &QAction::trigger);
    QTimer::singleShot(5000, [] { QCoreApplication::exit(42); });
    EXPECT_EQ(QApplication::exec(), 0);
}

TEST_F(MainWindowTest, MenusToolBarAndTrayMenuHoldTheActionsInOrder) {
    EXPECT_EQ(Texts(window.menuBar()->actions()), (QStringList{"&File", "Options", "&Help"}));
    EXPECT_EQ(Texts(window.findChild<QMenu*>("fileMenu")->actions()), QStringList{"Exit"});
    EXPECT_EQ(Texts(window.findChild<QMenu*>("optionsMenu")->actions()), QStringList{"Options"});
    EXPECT_EQ(Texts(window.findChild<QMenu*>("helpMenu")->actions()), QStringList{"About"});
    EXPECT_EQ(Texts(TrayIcon()->contextMenu()->actions()),
              (QStringList{"Show Main Window", "|", "Previous Wallpaper", "Next Wallpaper", "|",
                           "Exit"}));

    const auto* toolBar = window.findChild<QToolBar*>();
    ASSERT_NE(toolBar, nullptr);
    EXPECT_EQ(toolBar->windowTitle(), "Standard");
    EXPECT_FALSE(toolBar->isMovable());
    EXPECT_EQ(window.toolBarArea(toolBar), Qt::TopToolBarArea);
    EXPECT_EQ(Texts(toolBar->actions()), (QStringList{"Previous Wallpaper", "Next Wallpaper"}));

    for (const char* name : {"exitAction", "aboutAction", "previousWallpaperAction",
                             "nextWallpaperAction", "optionsAction", "showAction"}) {
        SCOPED_TRACE(name);
        ASSERT_NE(Action(name), nullptr);
        EXPECT_FALSE(Action(name)->icon().isNull());
        EXPECT_TRUE(Action(name)->shortcut().isEmpty());
    }
}

TEST_F(MainWindowTest, WindowTitleIconTrayIconAndCaption) {
    EXPECT_EQ(window.windowTitle(), kProductName);
    EXPECT_FALSE(window.windowIcon().isNull());
    EXPECT_EQ(TrayIcon()->toolTip(), kProductName);
    EXPECT_FALSE(TrayIcon()->icon().isNull());
    EXPECT_TRUE(TrayIcon()->isVisible());
    EXPECT_FALSE(window.isVisible());

    const auto* layout = qobject_cast<QVBoxLayout*>(window.centralWidget()->layout());
    ASSERT_NE(layout, nullptr);
    EXPECT_EQ(layout->contentsMargins(), QMargins(10, 10, 10, 10));
    EXPECT_EQ(layout->spacing(), 5);
    EXPECT_EQ(window.findChild<QLabel*>("captionLabel")->text(),
              "Files and folders with wallpapers images:");
    EXPECT_EQ(layout->itemAt(1)->layout(), sourceList.GetLayout());
}

TEST_F(MainWindowTest, CannotBeMadeSmallerThanItsSizeHintPlus200) {
    const QSize minimum = window.minimumSize();
    EXPECT_EQ(minimum, window.sizeHint() + QSize(200, 200));
    window.show();
    window.resize(10, 10);
    EXPECT_EQ(window.size(), minimum);
}

TEST_F(MainWindowTest, OneSecondTimerRunsFromConstruction) {
    const auto* timer = window.findChild<QTimer*>("changeTimer");
    ASSERT_NE(timer, nullptr);
    EXPECT_EQ(timer->interval(), 1000);
    EXPECT_TRUE(timer->isActive());
    EXPECT_FALSE(timer->isSingleShot());
}

TEST_F(MainWindowTest, ClosingHidesTheWindowAndKeepsTheTrayIcon) {
    window.show();
    EXPECT_FALSE(window.close());
    EXPECT_FALSE(window.isVisible());
    EXPECT_TRUE(TrayIcon()->isVisible());
}

TEST_F(MainWindowTest, WithoutNotificationAreaClosingMinimisesInsteadOfHiding) {
    window.notificationArea = false;
    window.show();
    EXPECT_FALSE(window.close());
    EXPECT_TRUE(window.isVisible());
    EXPECT_TRUE(window.isMinimized());

    window.notificationArea = true;
    window.ShowSelf();
    EXPECT_FALSE(window.close());
    EXPECT_FALSE(window.isVisible());
}

// A later start waits for a tray host before it shows the window.
TEST_F(MainWindowTest, ShownAtStartOnFirstRunOrWhenNoNotificationAreaAppearsInTime) {
    constexpr std::chrono::milliseconds kWait{300};
    const std::vector<std::tuple<bool, bool, bool, bool, bool>> cases = {
        // first run, area at start, area after 100 ms, shown at once, shown after the wait
        {true, true, true, true, true},     {false, true, true, false, false},
        {false, false, false, false, true}, {false, false, true, false, false},
        {true, false, false, true, true},
    };
    for (const auto& [firstRun, areaAtStart, areaLater, shownAtOnce, shownAfter] : cases) {
        window.hide();
        window.notificationArea = areaAtStart;
        window.ShowAtStart(firstRun, kWait);
        EXPECT_EQ(window.isVisible(), shownAtOnce) << firstRun << areaAtStart << areaLater;
        QTest::qWait(100);
        window.notificationArea = areaLater;
        QTest::qWait(2 * kWait.count());
        EXPECT_EQ(window.isVisible(), shownAfter) << firstRun << areaAtStart << areaLater;
    }
    // A window called up during the wait stays when a tray host appears.
    window.hide();
    window.notificationArea = false;
    window.ShowAtStart(false, kWait);
    window.ShowSelf();
    window.notificationArea = true;
    QTest::qWait(2 * kWait.count());
    EXPECT_TRUE(window.isVisible());
}

TEST_F(MainWindowTest, FailedChangeShowsTheFixedWarningBalloon) {
    Action("nextWallpaperAction")->trigger();

    EXPECT_EQ(window.messages, (std::vector<TrayMessage>{{kProductName, kChangeErrorText,
                                                          QSystemTrayIcon::Warning, 15000}}));
    EXPECT_TRUE(FakeCore::Instance().Installed().empty());
}

TEST_F(MainWindowTest, PreviousWithNothingToUndoShowsNothing) {
    Action("previousWallpaperAction")->trigger();
    EXPECT_TRUE(window.messages.empty());
}

TEST_F(MainWindowTest, OtherErrorsOfAChangeAreReportedWithTheirReason) {
    manager.AddFolderSource(u"/pics", false);
    ThrowingSubscriber unwritable;
    unwritable.message = "Can't write current_wallpaper.txt";
    changer.Attach(&unwritable);

    Action("nextWallpaperAction")->trigger();

    EXPECT_EQ(window.messages,
              (std::vector<TrayMessage>{{kProductName,
                                         "An error has occurred during the image change: Can't "
                                         "write current_wallpaper.txt.",
                                         QSystemTrayIcon::Warning, 15000}}));
    EXPECT_EQ(FakeCore::Instance().Installed().size(), 1u);
    changer.Detach(&unwritable);
}

TEST_F(MainWindowTest, PreviousGoesBackToAPictureWhoseSaveFailed) {
    manager.AddFolderSource(u"/pics", false);
    ThrowingSubscriber unwritable;
    unwritable.message = "Can't write current_wallpaper.txt";
    changer.Attach(&unwritable);

    Action("nextWallpaperAction")->trigger();
    Action("nextWallpaperAction")->trigger();
    Action("previousWallpaperAction")->trigger();

    const std::vector<WideString>& installed = FakeCore::Instance().Installed();
    ASSERT_EQ(installed.size(), 3u);
    EXPECT_NE(installed[1], installed[0]);
    EXPECT_EQ(installed[2], installed[0]);
    EXPECT_EQ(window.messages.size(), 3u);
    changer.Detach(&unwritable);
}

TEST_F(MainWindowTest, TimerDrivesTheControllerAndReportsEachFailedAttempt) {
    settings.SetChangeInterval(0);
    settings.SetTimerChange(true);

    ASSERT_TRUE(WaitUntil([&] { return window.messages.size() >= 2; }, 5000));
    EXPECT_EQ(window.messages[0].text, kChangeErrorText);
    EXPECT_EQ(window.messages[1].text, kChangeErrorText);
}

TEST_F(MainWindowTest, ShowSelfBringsAHiddenOrMinimisedWindowToTheFront) {
    Action("showAction")->trigger();
    EXPECT_TRUE(window.isVisible());

    window.showMinimized();
    ASSERT_TRUE(window.isMinimized());
    Action("showAction")->trigger();
    EXPECT_FALSE(window.isMinimized());
    EXPECT_TRUE(window.isVisible());
    EXPECT_EQ(QApplication::activeWindow(), &window);
    EXPECT_EQ(WindowsBroughtToFront(),
              (std::vector<std::uintptr_t>(2, static_cast<std::uintptr_t>(window.winId()))));
}

TEST_F(MainWindowTest, EveryTrayActivationButTheContextMenuShowsTheWindow) {
    const std::vector<std::tuple<QSystemTrayIcon::ActivationReason, bool>> cases = {
        {QSystemTrayIcon::Trigger, true},
        {QSystemTrayIcon::DoubleClick, true},
        {QSystemTrayIcon::MiddleClick, true},
        {QSystemTrayIcon::Unknown, true},
        {QSystemTrayIcon::Context, false}};
    for (const auto& [reason, shows] : cases) {
        SCOPED_TRACE(reason);
        window.hide();
        Q_EMIT TrayIcon()->activated(reason);
        EXPECT_EQ(window.isVisible(), shows);
    }
}

TEST_F(MainWindowTest, AboutBoxNamesProductAndVersion) {
    QString title;
    QString text;
    OnNextMessageBox([&](QMessageBox& box) {
        title = box.windowTitle();
        text = box.text();
    });

    Action("aboutAction")->trigger();

    EXPECT_EQ(title, kProductName);
    EXPECT_TRUE(text.startsWith("<h2>Vornk Wallpaper Changer 1.0</h2>")) << text.toStdString();
    EXPECT_TRUE(text.contains("<a href=")) << text.toStdString();
}

}  // namespace
