#include "model/ChangeCommand.h"

#include "model/WallpaperChanger.h"
#include "platform/CoreInterface.h"
#include "sources/AlgorithmManager.h"
#include "sources/SourceManager.h"

ChangeCommand::ChangeCommand(WallpaperChanger& changer) : changer(changer) {}

void ChangeCommand::Execute() {
    if (!next.empty()) {
        Apply(next);
        return;
    }
    previous = changer.GetCurrentWallpaper();
    SourceManager& manager = changer.GetSourceManager();
    const WallpaperEntry chosen = GetAlgorithmManager().GetCurrentAlgorithm()->SelectNext(
        manager.GetWallpaperList(), manager);
    Apply(chosen.file);
    next = changer.GetCurrentWallpaper();
}

bool ChangeCommand::IsUndoable() const {
    return true;
}

void ChangeCommand::Unexecute() {
    if (!previous.empty()) {
        Apply(previous);
    }
}

std::unique_ptr<CommandInterface> ChangeCommand::Clone() const {
    return std::make_unique<ChangeCommand>(*this);
}

void ChangeCommand::Apply(const WideString& path) {
    GetCore().SetWallpaper(path);
    changer.SetCurrentWallpaper(path);
}
