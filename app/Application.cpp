#include "app/Application.h"

#include <QApplication>
#include <cstdio>
#include <cstdlib>
#include <exception>

#include "app/FirstRun.h"
#include "app/RemoteControl.h"
#include "app/ScreenChangeWatcher.h"
#include "model/ApplicationSettings.h"
#include "model/ProductInfo.h"
#include "model/WallpaperChanger.h"
#include "model/WallpaperChangerController.h"
#include "persistence/XmlMemento.h"
#include "platform/CoreInterface.h"
#include "platform/ProgramAutorun.h"
#include "sources/AlgorithmManager.h"
#include "sources/SourceManager.h"
#include "ui/MainWindow.h"
#include "ui/OptionsDialog.h"
#include "ui/SourceListUI.h"

namespace {

// The program runs on with its settings in memory only.
void ReportSaveFailure(MainWindow& window, const std::exception_ptr& failure) {
    try {
        std::rethrow_exception(failure);
    } catch (const std::exception& error) {
        window.ReportSaveFailure(error);
    }
}

// A change or listing still in flight may be inside a bus call or a helper program and may go on
// using the core and Qt: rather than wait for it, the process ends around it. Everything the
// program keeps has been saved as it changed.
void EndAroundWorkInFlight(int exitCode) {
    if (!GetCore().ReleaseWork()) {
        std::fflush(nullptr);
        std::_Exit(exitCode);
    }
}

}  // namespace

int RunApplication(int& argc, char** argv, std::optional<RemoteRequest> startRequest) {
    SourceManager sourceManager;
    WallpaperChanger changer(sourceManager);
    XmlMemento memento(sourceManager, changer, GetApplicationSettings());

    const bool firstRun = IsFirstRun();
    std::exception_ptr firstSaveFailure;
    if (firstRun) {
        try {
            ApplyFirstRunDefaults(GetApplicationSettings());
        } catch (const std::exception&) {
            firstSaveFailure = std::current_exception();
        }
    }
    memento.Load();

    WallpaperChangerController controller(changer, GetApplicationSettings());

    QApplication application(argc, argv);
    QApplication::setQuitOnLastWindowClosed(false);
    // Before anything can start a change: the monitors may change while it runs.
    const ScreenChangeWatcher screens(
        [&changer] { GetCore().RedrawWallpaper(changer.GetCurrentWallpapers()); });
    SourceListUI sourceListUI(sourceManager);
    OptionsDialog optionsDialog(GetApplicationSettings(), GetProgramAutorun(Widen(product::kName)),
                                GetAlgorithmManager());
    MainWindow mainWindow(sourceListUI, optionsDialog, changer, controller);
    mainWindow.ShowAtStart(firstRun);
    if (firstSaveFailure) {
        ReportSaveFailure(mainWindow, firstSaveFailure);
    }
    RemoteControl remoteControl(mainWindow, changer, memento.LoadedWallpapers());
    if (startRequest) {
        remoteControl.Accept(*startRequest);
    }

    const int exitCode = QApplication::exec();
    EndAroundWorkInFlight(exitCode);
    return exitCode;
}
