#pragma once

#include <QDeadlineTimer>
#include <QMainWindow>
#include <QPointer>
#include <QString>
#include <QSystemTrayIcon>
#include <chrono>
#include <exception>

#include "model/CommandInterface.h"
#include "model/SubscriberInterface.h"
#include "ui/SaveFailureReport.h"

class OptionsDialog;
class QAction;
class QCloseEvent;
class QMenu;
class QMessageBox;
class QTimer;
class QToolBar;
class SourceListUI;
class WallpaperChanger;
class WallpaperChangerController;

// The program's window and its tray icon. It owns the one-second tick that drives timed changes
// and reports failed changes as a balloon at the tray icon, or as a desktop notification when
// there is no tray.
class MainWindow : public QMainWindow, public SubscriberInterface {
    Q_OBJECT

public:
    MainWindow(SourceListUI& sourceListUI, OptionsDialog& optionsDialog, WallpaperChanger& changer,
               WallpaperChangerController& controller, QWidget* parent = nullptr,
               Qt::WindowFlags flags = {});
    ~MainWindow() override;
    MainWindow(const MainWindow&) = delete;
    MainWindow& operator=(const MainWindow&) = delete;

    void Update(PublisherInterface* publisher) override;

    // At logon the program often starts before the panel that hosts its icon. Panels of a loaded
    // machine come up within a few seconds of the session; ten leave a margin.
    static constexpr std::chrono::milliseconds kTrayHostWait{10000};

    // Shown on a first run; on later starts only the tray icon, unless no notification area
    // appears within `trayHostWait` to reach the program through.
    void ShowAtStart(bool firstRun, std::chrono::milliseconds trayHostWait = kTrayHostWait);

    // Once per kind of failure, in a box that does not stop the program.
    void ReportSaveFailure(const std::exception& error) { saveFailures.Report(error); }

    // For requests from outside the program: the same way as the menu items.
    void TriggerNextWallpaper();
    void TriggerPreviousWallpaper();
    void TriggerExit();

public Q_SLOTS:
    void ShowSelf();

protected:
    void closeEvent(QCloseEvent* event) override;
    // Asked at the moment it matters, since a tray host may start after the program.
    virtual bool HasNotificationArea() const;
    // The balloon at the tray icon, replaceable so that reports can be checked without a tray.
    virtual void ShowTrayMessage(const QString& title, const QString& text,
                                 QSystemTrayIcon::MessageIcon icon, int millisecondsTimeout);

private Q_SLOTS:
    void ShowAboutWindow();
    void Undo();
    void Redo();
    void ShowOptions();
    void TrayIconActivated(QSystemTrayIcon::ActivationReason reason);
    void OneSecondPassed();

private:
    void CreateActions();
    void CreateMenus();
    void CreateTrayIcon();
    void CreateToolBar();
    void CreateCentralWidget();
    void StartTimer();
    QAction* CreateAction(const QString& iconName, const QString& text, const QString& objectName);
    Completion ReportFailure();
    void ReportChangeFailure(std::exception_ptr error);
    void ShowChangeError();
    void ShowWindowMessage(const QString& title, const QString& text);
    void ShowUnlessTrayHostAppears(QDeadlineTimer deadline);

    QSystemTrayIcon* trayIcon = nullptr;
    QMenu* trayIconMenu = nullptr;
    QMenu* fileMenu = nullptr;
    QMenu* helpMenu = nullptr;
    QMenu* optionsMenu = nullptr;
    QAction* exitAction = nullptr;
    QAction* aboutAction = nullptr;
    QAction* previousWallpaperAction = nullptr;
    QAction* nextWallpaperAction = nullptr;
    QAction* optionsAction = nullptr;
    QAction* showAction = nullptr;
    QToolBar* toolBar = nullptr;
    SourceListUI& sourceListUI;
    WallpaperChanger& changer;
    OptionsDialog& optionsDialog;
    WallpaperChangerController& controller;
    QTimer* timer = nullptr;
    QPointer<QMessageBox> windowMessage;
    SaveFailureReport saveFailures{this};
};
