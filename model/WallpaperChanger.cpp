#include "model/WallpaperChanger.h"

#include <optional>
#include <stdexcept>
#include <utility>

#include "model/ChangeCommand.h"

WallpaperChanger::WallpaperChanger(SourceManager& sourceManager) : sourceManager(sourceManager) {}

WallpaperChanger::~WallpaperChanger() {
    pending.clear();
    redoHistory.clear();
    undoHistory.clear();
}

void WallpaperChanger::ChangeWallpaper(Completion done) {
    Enqueue(&WallpaperChanger::StartChange, std::move(done));
}

void WallpaperChanger::Undo(Completion done) {
    Enqueue(&WallpaperChanger::StartUndo, std::move(done));
}

void WallpaperChanger::Redo(Completion done) {
    Enqueue(&WallpaperChanger::StartRedo, std::move(done));
}

void WallpaperChanger::ChangeWallpaper() {
    RunToEnd(&WallpaperChanger::StartChange);
}

void WallpaperChanger::Undo() {
    RunToEnd(&WallpaperChanger::StartUndo);
}

void WallpaperChanger::Redo() {
    RunToEnd(&WallpaperChanger::StartRedo);
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

void WallpaperChanger::Enqueue(Operation operation, Completion done) {
    pending.push_back({operation, std::move(done)});
    RunPending();
}

// A loop rather than recursion: a core that finishes at once completes each request inside
// this call, and a long queue must not grow the stack.
void WallpaperChanger::RunPending() {
    if (draining) {
        return;
    }
    draining = true;
    while (!changing && !pending.empty()) {
        Request request = std::move(pending.front());
        pending.pop_front();
        changing = true;
        (this->*request.operation)(
            [this, done = std::move(request.done)](std::exception_ptr error) {
                changing = false;
                if (done) {
                    done(error);
                }
                RunPending();
            });
    }
    draining = false;
}

void WallpaperChanger::RunToEnd(Operation operation) {
    auto outcome = std::make_shared<std::optional<std::exception_ptr>>();
    Enqueue(operation, [outcome](std::exception_ptr error) { *outcome = error; });
    if (!outcome->has_value()) {
        throw std::logic_error("the wallpaper change did not finish at once");
    }
    if (**outcome) {
        std::rethrow_exception(**outcome);
    }
}

void WallpaperChanger::StartChange(Completion done) {
    ExecuteCommand(std::make_shared<ChangeCommand>(*this), std::move(done));
}

void WallpaperChanger::StartUndo(Completion done) {
    if (undoHistory.empty()) {
        done(nullptr);
        return;
    }
    const std::shared_ptr<CommandInterface> command = undoHistory.back();
    command->Unexecute([this, command, done = std::move(done)](std::exception_ptr error) {
        if (!error) {
            redoHistory.push_back(command);
            undoHistory.pop_back();
        }
        done(error);
    });
}

void WallpaperChanger::StartRedo(Completion done) {
    if (redoHistory.empty()) {
        StartChange(std::move(done));
        return;
    }
    const std::shared_ptr<CommandInterface> command = redoHistory.back();
    command->Execute([this, command, done = std::move(done)](std::exception_ptr error) {
        if (!error) {
            undoHistory.push_back(command);
            redoHistory.pop_back();
        }
        done(error);
    });
}

// The prototype is kept alive by the completion until the command has finished.
void WallpaperChanger::ExecuteCommand(const std::shared_ptr<CommandInterface>& command,
                                      Completion done) {
    command->Execute([this, command, done = std::move(done)](std::exception_ptr error) {
        if (!error && command->IsUndoable()) {
            undoHistory.push_back(command->Clone());
        }
        done(error);
    });
}
