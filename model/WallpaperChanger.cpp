#include "model/WallpaperChanger.h"

#include "model/ChangeCommand.h"

WallpaperChanger::WallpaperChanger(SourceManager& sourceManager) : sourceManager(sourceManager) {}

WallpaperChanger::~WallpaperChanger() {
    redoHistory.clear();
    undoHistory.clear();
}

void WallpaperChanger::ChangeWallpaper() {
    ChangeCommand prototype(*this);
    ExecuteCommand(prototype);
}

void WallpaperChanger::Undo() {
    if (undoHistory.empty()) {
        return;
    }
    const std::shared_ptr<CommandInterface> command = undoHistory.back();
    command->Unexecute();
    redoHistory.push_back(command);
    undoHistory.pop_back();
}

void WallpaperChanger::Redo() {
    if (redoHistory.empty()) {
        ChangeWallpaper();
        return;
    }
    const std::shared_ptr<CommandInterface> command = redoHistory.back();
    command->Execute();
    undoHistory.push_back(command);
    redoHistory.pop_back();
}

WideString WallpaperChanger::GetCurrentWallpaper() const {
    return currentWallpaper;
}

void WallpaperChanger::SetCurrentWallpaper(const WideString& path) {
    currentWallpaper = path;
    Notify();
}

SourceManager& WallpaperChanger::GetSourceManager() const {
    return sourceManager;
}

void WallpaperChanger::ExecuteCommand(CommandInterface& command) {
    command.Execute();
    if (command.IsUndoable()) {
        undoHistory.push_back(command.Clone());
    }
}
