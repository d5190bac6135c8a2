#pragma once

#include <deque>
#include <memory>
#include <vector>

#include "model/CommandInterface.h"
#include "model/Publisher.h"
#include "model/WideString.h"

class SourceManager;

// The one place where the wallpaper is changed, with undo and redo histories of the changes.
// Changes run one at a time: a request made while one runs waits its turn, in order, so the
// histories end as if every request had run to its end before the next began.
class WallpaperChanger final : public Publisher {
public:
    explicit WallpaperChanger(SourceManager& sourceManager);
    ~WallpaperChanger() override;
    WallpaperChanger(const WallpaperChanger&) = delete;
    WallpaperChanger& operator=(const WallpaperChanger&) = delete;

    // Each request calls `done` when it has finished, with its error or null; `done` must not
    // throw.
    void ChangeWallpaper(Completion done);
    void Undo(Completion done);
    // Re-installs the most recently undone change, or makes a new change when there is none.
    void Redo(Completion done);

    // The same, finished before they return; an error is thrown. Only for a core that finishes
    // at once (before the event loop runs, and in tests): otherwise std::logic_error.
    void ChangeWallpaper();
    void Undo();
    void Redo();

    // The first monitor's picture of the set shown now; empty when there is none.
    WideString GetCurrentWallpaper() const;
    // One picture for each monitor, in monitor order; a single one when a change takes one.
    const std::vector<WideString>& GetCurrentWallpapers() const;
    void SetCurrentWallpaper(const WideString& path);
    void SetCurrentWallpapers(const std::vector<WideString>& paths);
    // For a command, once the core has shown `paths`. Subscribers hear of it when the request
    // has been entered in the histories, so that a subscriber failing to save it cannot keep a
    // picture that is on the screen out of them; their error is then the request's.
    void RecordShown(const std::vector<WideString>& paths);
    SourceManager& GetSourceManager() const;

    // Whether a new change takes a picture for each of the core's monitors rather than one.
    bool IsDifferentPerMonitor() const { return differentPerMonitor; }
    void SetDifferentPerMonitor(bool value) { differentPerMonitor = value; }

private:
    using Operation = void (WallpaperChanger::*)(Completion);
    using Step = void (CommandInterface::*)(Completion);
    using History = std::deque<std::shared_ptr<CommandInterface>>;
    struct Request {
        Operation operation;
        Completion done;
    };

    void Enqueue(Operation operation, Completion done);
    void RunPending();
    void RunToEnd(Operation operation);
    void StartChange(Completion done);
    void StartUndo(Completion done);
    void StartRedo(Completion done);
    void RunFromBack(Step step, History& from, History& to, Completion done);
    void ExecuteCommand(const std::shared_ptr<CommandInterface>& command, Completion done);
    std::exception_ptr AnnounceShown(std::exception_ptr error);

    SourceManager& sourceManager;
    std::vector<WideString> currentWallpapers;
    History undoHistory;
    History redoHistory;
    std::deque<Request> pending;
    bool changing = false;
    bool draining = false;
    bool shownUnannounced = false;
    bool differentPerMonitor = false;
};
