#pragma once

#include <cstddef>
#include <exception>
#include <functional>
#include <memory>
#include <set>
#include <vector>

#include "model/Publisher.h"
#include "sources/Source.h"
#include "sources/WallpaperEntry.h"

// The user's sources and the wallpaper list they expand to. The list is consumed one entry per
// change and refilled from all sources when it runs empty. Only changes of the source list notify.
// The refill lists the folders through the core without waiting for it: the list ends as if it
// had finished before any later call, sources removed meanwhile contributing nothing.
class SourceManager final : public Publisher {
public:
    SourceManager() = default;
    SourceManager(const SourceManager&) = delete;
    SourceManager& operator=(const SourceManager&) = delete;

    void AddFolderSource(const WideString& path, bool withSubfolders);
    void AddFileSource(const WideString& path);
    void RemoveFolderSource(const WideString& path);
    void RemoveFileSource(const WideString& path);
    void RemoveAllSources();

    std::vector<Source> GetSources() const;
    const WallpaperList& GetWallpaperList() const;

    // Taking the last entry starts the refill; one that finishes at once throws its error here.
    void RemoveWallpaperAt(std::size_t index);
    void SkipPastWallpaper(const WideString& file);
    // `done` runs once no refill is under way: at once, or when the one under way has finished,
    // with its error (null when none).
    void WhenRefilled(std::function<void(std::exception_ptr)> done);

private:
    struct RefillPass {
        std::vector<Source> sources;
        WallpaperList found;
        std::set<WideString> removedPaths;
        std::vector<std::function<void(std::exception_ptr)>> waiting;
        bool finished = false;
        std::exception_ptr failure;
    };

    void RemoveFirstSource(const WideString& path, bool (*inFamily)(SourceType));
    void Refill();
    void ListFrom(std::size_t position);
    void FinishRefill(std::exception_ptr failure);
    void AbandonRefill();
    // A file source is its own entry; a folder is listed by the platform core.
    void AppendWallpapersOf(const Source& source);

    std::vector<Source> sources;
    WallpaperList wallpapers;
    std::shared_ptr<RefillPass> refill;  // under way
};
