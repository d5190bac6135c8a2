#include "app/Application.h"

#include <QApplication>
#include <QDir>
#include <QMessageBox>
#include <optional>
#include <stdexcept>

#include "app/FirstRun.h"
#include "model/ApplicationSettings.h"
#include "model/ProductInfo.h"
#include "model/WallpaperChanger.h"
#include "model/WallpaperChangerController.h"
#include "persistence/XmlMemento.h"
#include "platform/CoreInterface.h"
#include "platform/ProgramAutorun.h"
#include "sources/AlgorithmManager.h"
#include "sources/SourceManager.h"
#include "ui/ErrorReason.h"
#include "ui/MainWindow.h"
#include "ui/OptionsDialog.h"
#include "ui/SourceListUI.h"

namespace {

// Non-modal, so that the program runs on with its settings in memory only.
void ShowSettingsNotSaved(QWidget* parent, const std::exception& error) {
    const QString folder = QString::fromStdU16String(GetCore().GetSettingsFolder());
    auto* box = new QMessageBox(
        QMessageBox::Warning, QString::fromLatin1(product::kName),
        QCoreApplication::translate("Application",
                                    "The settings cannot be saved in the folder \"%1\": %2. "
                                    "Changes made now are lost when the program ends.")
            .arg(QDir::toNativeSeparators(folder), ErrorReason(error)),
        QMessageBox::Ok, parent);
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->setModal(false);
    box->show();
}

}  // namespace

int RunApplication(int& argc, char** argv) {
    SourceManager sourceManager;
    WallpaperChanger changer(sourceManager);
    XmlMemento memento(sourceManager, changer, GetApplicationSettings());

    const bool firstRun = IsFirstRun();
    std::optional<std::runtime_error> firstSaveFailure;
    if (firstRun) {
        try {
            ApplyFirstRunDefaults(GetApplicationSettings());
        } catch (const std::exception& error) {
            firstSaveFailure.emplace(error.what());
        }
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
    if (firstSaveFailure) {
        ShowSettingsNotSaved(&mainWindow, *firstSaveFailure);
    }

    return QApplication::exec();
}
