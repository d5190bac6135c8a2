#include "ui/MainWindow.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QDeadlineTimer>
#include <QGuiApplication>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QPointer>
#include <QTimer>
#include <QToolBar>
#include <QVBoxLayout>
#include <cstdint>
#include <exception>

#include "model/CoreError.h"
#include "model/ProductInfo.h"
#include "model/WallpaperChanger.h"
#include "model/WallpaperChangerController.h"
#include "platform/NativeDesktop.h"
#include "ui/DesktopNotification.h"
#include "ui/ErrorReason.h"
#include "ui/OptionsDialog.h"
#include "ui/ProductResources.h"
#include "ui/SourceListUI.h"

namespace {

constexpr int kTickMilliseconds = 1000;
constexpr int kBalloonMilliseconds = 15000;
constexpr int kTrayHostPollMilliseconds = 200;
constexpr int kCentralMargin = 10;
constexpr int kCentralSpacing = 5;
constexpr int kMinimumSizeAllowance = 200;
constexpr char kMakerSite[] = "https://vornk.software/";

// On Wayland only a tray host on the session bus can take the icon, and Qt looks for one once,
// when the first icon is made. Without one, showing the icon would fall back to X11's tray
// protocol, which a Wayland session lacks, and only print a warning.
bool TrayIconCanShow() {
    return !QGuiApplication::platformName().startsWith(QLatin1String("wayland")) ||
           QSystemTrayIcon::isSystemTrayAvailable();
}

}  // namespace

MainWindow::MainWindow(SourceListUI& sourceListUI, OptionsDialog& optionsDialog,
                       WallpaperChanger& changer, WallpaperChangerController& controller,
                       QWidget* parent, Qt::WindowFlags flags)
    : QMainWindow(parent, flags),
      sourceListUI(sourceListUI),
      changer(changer),
      optionsDialog(optionsDialog),
      controller(controller) {
    CreateActions();
    CreateMenus();
    CreateTrayIcon();
    CreateToolBar();
    CreateCentralWidget();
    // The title must stay the bare product name: a second copy finds this one by it, also while
    // it hides in the tray, so the native window exists from the start.
    setWindowTitle(ProductName());
    winId();
    setWindowIcon(ResourceIcon(QStringLiteral("main")));
    changer.Attach(this);
    setMinimumHeight(sizeHint().height() + kMinimumSizeAllowance);
    setMinimumWidth(sizeHint().width() + kMinimumSizeAllowance);
    StartTimer();
}

MainWindow::~MainWindow() {
    // Leaves the notification area at once rather than when the process ends.
    trayIcon->hide();
    changer.Detach(this);
}

QAction* MainWindow::CreateAction(const QString& iconName, const QString& text,
                                  const QString& objectName) {
    auto* action = new QAction(ResourceIcon(iconName), text, this);
    action->setObjectName(objectName);
    return action;
}

void MainWindow::CreateActions() {
    exitAction = CreateAction(QStringLiteral("exit"), tr("Exit"), QStringLiteral("exitAction"));
    // Not quit(): since Qt 6 it first asks every window to close, and this window and the
    // options dialog refuse (they only hide), which would cancel the exit.
    connect(exitAction, &QAction::triggered, qApp, [] { QCoreApplication::exit(0); });
    aboutAction = CreateAction(QStringLiteral("help"), tr("About"), QStringLiteral("aboutAction"));
    connect(aboutAction, &QAction::triggered, this, &MainWindow::ShowAboutWindow);
    previousWallpaperAction = CreateAction(QStringLiteral("undo"), tr("Previous Wallpaper"),
                                           QStringLiteral("previousWallpaperAction"));
    connect(previousWallpaperAction, &QAction::triggered, this, &MainWindow::Undo);
    nextWallpaperAction = CreateAction(QStringLiteral("redo"), tr("Next Wallpaper"),
                                       QStringLiteral("nextWallpaperAction"));
    connect(nextWallpaperAction, &QAction::triggered, this, &MainWindow::Redo);
    optionsAction =
        CreateAction(QStringLiteral("options"), tr("Options"), QStringLiteral("optionsAction"));
    connect(optionsAction, &QAction::triggered, this, &MainWindow::ShowOptions);
    showAction =
        CreateAction(QStringLiteral("show"), tr("Show Main Window"), QStringLiteral("showAction"));
    connect(showAction, &QAction::triggered, this, &MainWindow::ShowSelf);
}

void MainWindow::CreateMenus() {
    fileMenu = menuBar()->addMenu(tr("&File"));
    fileMenu->setObjectName(QStringLiteral("fileMenu"));
    fileMenu->addAction(exitAction);
    optionsMenu = menuBar()->addMenu(tr("Options"));
    optionsMenu->setObjectName(QStringLiteral("optionsMenu"));
    optionsMenu->addAction(optionsAction);
    helpMenu = menuBar()->addMenu(tr("&Help"));
    helpMenu->setObjectName(QStringLiteral("helpMenu"));
    helpMenu->addAction(aboutAction);
}

void MainWindow::CreateTrayIcon() {
    trayIconMenu = new QMenu(this);
    trayIconMenu->setObjectName(QStringLiteral("trayIconMenu"));
    trayIconMenu->addAction(showAction);
    trayIconMenu->addSeparator();
    trayIconMenu->addAction(previousWallpaperAction);
    trayIconMenu->addAction(nextWallpaperAction);
    trayIconMenu->addSeparator();
    trayIconMenu->addAction(exitAction);

    trayIcon = new QSystemTrayIcon(ResourceIcon(QStringLiteral("main")), this);
    trayIcon->setObjectName(QStringLiteral("trayIcon"));
    trayIcon->setContextMenu(trayIconMenu);
    trayIcon->setToolTip(ProductName());
    connect(trayIcon, &QSystemTrayIcon::activated, this, &MainWindow::TrayIconActivated);
    if (TrayIconCanShow()) {
        trayIcon->setVisible(true);
    }
}

void MainWindow::CreateToolBar() {
    toolBar = new QToolBar(tr("Standard"), this);
    toolBar->setObjectName(QStringLiteral("standardToolBar"));
    toolBar->setMovable(false);
    toolBar->addAction(previousWallpaperAction);
    toolBar->addAction(nextWallpaperAction);
    addToolBar(Qt::TopToolBarArea, toolBar);
}

void MainWindow::CreateCentralWidget() {
    auto* central = new QWidget(this);
    auto* centralLayout = new QVBoxLayout(central);
    centralLayout->setContentsMargins(kCentralMargin, kCentralMargin, kCentralMargin,
                                      kCentralMargin);
    centralLayout->setSpacing(kCentralSpacing);
    auto* caption = new QLabel(tr("Files and folders with wallpapers images:"), central);
    caption->setObjectName(QStringLiteral("captionLabel"));
    centralLayout->addWidget(caption);
    centralLayout->addLayout(sourceListUI.GetLayout(), 0);
    setCentralWidget(central);
}

void MainWindow::StartTimer() {
    timer = new QTimer(this);
    timer->setObjectName(QStringLiteral("changeTimer"));
    timer->setInterval(kTickMilliseconds);
    timer->start();
    connect(timer, &QTimer::timeout, this, &MainWindow::OneSecondPassed);
}

void MainWindow::Update(PublisherInterface*) {}

void MainWindow::ShowAtStart(bool firstRun, std::chrono::milliseconds trayHostWait) {
    if (firstRun || HasNotificationArea()) {
        setVisible(firstRun);
        return;
    }
    ShowUnlessTrayHostAppears(QDeadlineTimer(trayHostWait));
}

// Polled: Qt tells of a tray host that appears only through isSystemTrayAvailable().
void MainWindow::ShowUnlessTrayHostAppears(QDeadlineTimer deadline) {
    auto* poll = new QTimer(this);
    poll->setInterval(kTrayHostPollMilliseconds);
    connect(poll, &QTimer::timeout, this, [this, poll, deadline] {
        const bool trayHostFound = HasNotificationArea();
        if (trayHostFound || deadline.hasExpired()) {
            poll->deleteLater();
        }
        // A window the user has called up meanwhile stays.
        if (!trayHostFound && deadline.hasExpired()) {
            show();
        }
    });
    poll->start();
}

void MainWindow::closeEvent(QCloseEvent* event) {
    event->ignore();
    // Without a notification area a hidden window could not be reached again.
    if (HasNotificationArea()) {
        hide();
    } else {
        showMinimized();
    }
}

void MainWindow::TriggerNextWallpaper() {
    nextWallpaperAction->trigger();
}

void MainWindow::TriggerPreviousWallpaper() {
    previousWallpaperAction->trigger();
}

void MainWindow::TriggerExit() {
    exitAction->trigger();
}

bool MainWindow::HasNotificationArea() const {
    return QSystemTrayIcon::isSystemTrayAvailable();
}

void MainWindow::ShowSelf() {
    show();
    setWindowState(windowState() & ~Qt::WindowMinimized);
    raise();
    activateWindow();
    BringNativeWindowToFront(static_cast<std::uintptr_t>(winId()));
    QApplication::setActiveWindow(this);
}

void MainWindow::TrayIconActivated(QSystemTrayIcon::ActivationReason reason) {
    if (reason != QSystemTrayIcon::Context) {
        ShowSelf();
    }
}

void MainWindow::ShowOptions() {
    optionsDialog.ShowDialog();
}

void MainWindow::ShowAboutWindow() {
    const QString body =
        QStringLiteral(
            "<h2>%1 %2</h2>"
            "<p>%1 is made by %3.</p>"
            "<br>Visit <a href=\"%4\">the %3 web site</a> for more information and updates.")
            .arg(ProductName(), QString::fromUtf8(product::kVersion),
                 QString::fromUtf8(product::kMakerFolderName), QString::fromUtf8(kMakerSite));
    QMessageBox::about(this, ProductName(), body);
}

void MainWindow::Undo() {
    changer.Undo(ReportFailure());
}

void MainWindow::Redo() {
    changer.Redo(ReportFailure());
}

void MainWindow::OneSecondPassed() {
    controller.Tick(ReportFailure());
}

// A change finishes after its slot has returned, possibly after the window is gone.
Completion MainWindow::ReportFailure() {
    return [window = QPointer<MainWindow>(this)](std::exception_ptr error) {
        if (error && window) {
            window->ReportChangeFailure(error);
        }
    };
}

void MainWindow::ReportChangeFailure(std::exception_ptr error) {
    try {
        std::rethrow_exception(error);
    } catch (const CoreError&) {
        ShowChangeError();
    } catch (const std::exception& failure) {
        if (SaveFailureReport::IsSaveFailure(failure)) {
            ReportSaveFailure(failure);
            return;
        }
        ShowTrayMessage(
            ProductName(),
            tr("An error has occurred during the image change: %1.").arg(ErrorReason(failure)),
            QSystemTrayIcon::Warning, kBalloonMilliseconds);
    }
}

void MainWindow::ShowChangeError() {
    ShowTrayMessage(ProductName(),
                    tr("An error has occurred during the image change. The source list is empty "
                       "or the images have the unsupported format"),
                    QSystemTrayIcon::Warning, kBalloonMilliseconds);
}

// Without a tray the balloon would go nowhere: the desktop's notification service shows it, and
// where there is none either, the window (which stays on screen without a tray) does.
void MainWindow::ShowTrayMessage(const QString& title, const QString& text,
                                 QSystemTrayIcon::MessageIcon icon, int millisecondsTimeout) {
    if (HasNotificationArea() && QSystemTrayIcon::supportsMessages()) {
        trayIcon->showMessage(title, text, icon, millisecondsTimeout);
        return;
    }
    DesktopNotification::Send(title, text, millisecondsTimeout, this,
                              [this, title, text] { ShowWindowMessage(title, text); });
}

// One box, its text replaced by the latest message, so that repeated failures never pile up.
void MainWindow::ShowWindowMessage(const QString& title, const QString& text) {
    if (windowMessage == nullptr) {
        windowMessage = new QMessageBox(QMessageBox::Warning, title, text, QMessageBox::Ok, this);
        windowMessage->setObjectName(QStringLiteral("windowMessage"));
        windowMessage->setAttribute(Qt::WA_DeleteOnClose);
        windowMessage->setModal(false);
    }
    windowMessage->setText(text);
    windowMessage->show();
}
