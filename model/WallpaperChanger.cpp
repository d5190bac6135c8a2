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
    return currentWallpapers.empty() ? WideString() : currentWallpapers.front();
}

const std::vector<WideString>& WallpaperChanger::GetCurrentWallpapers() const {
    return currentWallpapers;
}

void WallpaperChanger::SetCurrentWallpaper(const WideString& path) {
    SetCurrentWallpapers(path.empty() ? std::vector<WideString>() : std::vector{path});
}

void WallpaperChanger::SetCurrentWallpapers(const std::vector<WideString>& paths) {
    currentWallpapers = paths;
    Notify();
}

void WallpaperChanger::RecordShown(const std::vector<WideString>& paths) {
    currentWallpapers = paths;
    shownUnannounced = true;
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
                error = AnnounceShown(error);
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
    RunFromBack(&CommandInterface::Unexecute, undoHistory, redoHistory, std::move(done));
}

void WallpaperChanger::StartRedo(Completion done) {
    if (redoHistory.empty()) {
        StartChange(std::move(done));
        return;
    }
    RunFromBack(&CommandInterface::Execute, redoHistory, undoHistory, std::move(done));
}

// The command at the back of `from` moves to the back of `to` once `step` has succeeded.
void WallpaperChanger::RunFromBack(Step step, History& from, History& to, Completion done) {
    const std::shared_ptr<CommandInterface> command = from.back();
    ((*command).*step)([&from, &to, command, done = std::move(done)](std::exception_ptr error) {
        if (!error) {
            to.push_back(command);
            from.pop_back();
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

std::exception_ptr WallpaperChanger::AnnounceShown(std::exception_ptr error) {
    if (!std::exchange(shownUnannounced, false)) {
        return error;
    }
    try {
        Notify();
    } catch (...) {
        return error ? error : std::current_exception();
    }
    return error;
}
