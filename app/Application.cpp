#include "app/Application.h"

#include <QApplication>

#include "app/FirstRun.h"
#include "app/RemoteControl.h"
#include "model/ApplicationSettings.h"
#include "model/ProductInfo.h"
#include "model/WallpaperChanger.h"
#include "model/WallpaperChangerController.h"
#include "persistence/XmlMemento.h"
#include "platform/ProgramAutorun.h"
#include "sources/AlgorithmManager.h"
#include "sources/SourceManager.h"
#include "ui/MainWindow.h"
#include "ui/OptionsDialog.h"
#include "ui/SourceListUI.h"

int RunApplication(int& argc, char** argv, std::optional<RemoteRequest> startRequest) {
    SourceManager sourceManager;
    WallpaperChanger changer(sourceManager);
    XmlMemento memento(sourceManager, changer, GetApplicationSettings());

    const bool firstRun = IsFirstRun();
    if (firstRun) {
        ApplyFirstRunDefaults(GetApplicationSettings());
    }
    memento.Load();

    WallpaperChangerController controller(changer, GetApplicationSettings());

    QApplication application(argc, argv);
    QApplication::setQuitOnLastWindowClosed(false);
    SourceListUI sourceListUI(sourceManager);
    OptionsDialog optionsDialog(GetApplicationSettings(), GetProgramAutorun(Widen(product::kName)),
                                GetAlgorithmManager());
    MainWindow mainWindow(sourceListUI, optionsDialog, changer, controller);
    mainWindow.ShowAtStart(firstRun);
    RemoteControl remoteControl(mainWindow, changer, memento.LoadedWallpaper());
    if (startRequest) {
        remoteControl.Accept(*startRequest);
    }

    return QApplication::exec();
}
