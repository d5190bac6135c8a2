#pragma once

#include <QString>

#include "model/ApplicationSettings.h"
#include "model/WallpaperChanger.h"
#include "model/WallpaperChangerController.h"
#include "sources/AlgorithmManager.h"
#include "sources/SourceManager.h"
#include "tests/fakes/FakeProgramAutorun.h"
#include "ui/OptionsDialog.h"
#include "ui/SourceListUI.h"

inline const QString kChangeErrorText = QStringLiteral(
    "An error has occurred during the image change. The source list is empty or the images have "
    "the unsupported format");

// Each part refers to those declared before it, so the order is the construction order and the
// reverse of the destruction order.
template <typename Window>
struct MainWindowParts {
    SourceManager manager;
    WallpaperChanger changer{manager};
    ApplicationSettings settings;
    WallpaperChangerController controller{changer, settings};
    AlgorithmManager algorithms;
    FakeProgramAutorun autorun;
    SourceListUI sourceList{manager};
    OptionsDialog optionsDialog{settings, autorun, algorithms};
    Window window{sourceList, optionsDialog, changer, controller};
};
