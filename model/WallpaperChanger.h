#pragma once

#include <deque>
#include <memory>

#include "model/CommandInterface.h"
#include "model/Publisher.h"
#include "model/WideString.h"

class SourceManager;

// The one place where the wallpaper is changed, with undo and redo histories of the changes.
class WallpaperChanger final : public Publisher {
public:
    explicit WallpaperChanger(SourceManager& sourceManager);
    ~WallpaperChanger() override;
    WallpaperChanger(const WallpaperChanger&) = delete;
    WallpaperChanger& operator=(const WallpaperChanger&) = delete;

    void ChangeWallpaper();
    void Undo();
    // Re-installs the most recently undone change, or makes a new change when there is none.
    void Redo();

    WideString GetCurrentWallpaper() const;
    void SetCurrentWallpaper(const WideString& path);
    SourceManager& GetSourceManager() const;

private:
    void ExecuteCommand(CommandInterface& command);

    SourceManager& sourceManager;
    WideString currentWallpaper;
    std::deque<std::shared_ptr<CommandInterface>> undoHistory;
    std::deque<std::shared_ptr<CommandInterface>> redoHistory;
};
