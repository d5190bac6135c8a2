#pragma once

#include <cstddef>
#include <vector>

#include "model/Publisher.h"
#include "sources/Source.h"
#include "sources/WallpaperEntry.h"

// The user's sources and the wallpaper list they expand to. The list is consumed one entry per
// change and refilled from all sources when it runs empty. Only changes of the source list notify.
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

    void RemoveWallpaperAt(std::size_t index);
    void SkipPastWallpaper(const WideString& file);

private:
    void RemoveFirstSource(const WideString& path, bool (*inFamily)(SourceType));
    void Refill();
    // A file source is its own entry; a folder is listed by the platform core.
    void AppendWallpapersOf(const Source& source);

    std::vector<Source> sources;
    WallpaperList wallpapers;
};
