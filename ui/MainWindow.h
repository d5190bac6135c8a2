#pragma once

#include <QMainWindow>
#include <QString>
#include <QSystemTrayIcon>
#include <exception>

#include "model/CommandInterface.h"
#include "model/SubscriberInterface.h"

class OptionsDialog;
class QAction;
class QCloseEvent;
class QMenu;
class QTimer;
class QToolBar;
class SourceListUI;
class WallpaperChanger;
class WallpaperChangerController;

// The program's window and its tray icon. It owns the one-second tick that drives timed changes
// and reports failed changes as a balloon at the tray icon.
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

    // Shown on a first run; on later starts only the tray icon, unless the session has no
    // notification area to reach the program through.
    void ShowAtStart(bool firstRun);

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
};
