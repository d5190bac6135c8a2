#include "sources/SourceManager.h"

#include <algorithm>

#include "platform/CoreInterface.h"

void SourceManager::AddFolderSource(const WideString& path, bool withSubfolders) {
    const Source source{path,
                        withSubfolders ? SourceType::FolderWithSubfolders : SourceType::Folder};
    AppendWallpapersOf(source);
    sources.push_back(source);
    Notify();
}

void SourceManager::AddFileSource(const WideString& path) {
    if (!GetCore().IsSupportedImage(path)) {
        return;
    }
    const Source source{path, SourceType::File};
    sources.push_back(source);
    AppendWallpapersOf(source);
    Notify();
}

void SourceManager::RemoveFolderSource(const WideString& path) {
    RemoveFirstSource(path, IsFolderType);
}

void SourceManager::RemoveFileSource(const WideString& path) {
    RemoveFirstSource(path, IsFileType);
}

void SourceManager::RemoveFirstSource(const WideString& path, bool (*inFamily)(SourceType)) {
    const auto record = std::find_if(sources.begin(), sources.end(), [&](const Source& source) {
        return source.path == path && inFamily(source.type);
    });
    if (record == sources.end()) {
        return;
    }
    sources.erase(record);
    // Entries of every record with this path go, whichever record contributed them.
    std::erase_if(wallpapers, [&](const WallpaperEntry& entry) { return entry.source == path; });
    Notify();
}

void SourceManager::RemoveAllSources() {
    sources.clear();
    wallpapers.clear();
    Notify();
}

std::vector<Source> SourceManager::GetSources() const {
    return sources;
}

const WallpaperList& SourceManager::GetWallpaperList() const {
    return wallpapers;
}

void SourceManager::RemoveWallpaperAt(std::size_t index) {
    if (index >= wallpapers.size()) {
        return;
    }
    wallpapers.erase(wallpapers.begin() + static_cast<WallpaperList::difference_type>(index));
    if (wallpapers.empty()) {
        Refill();
    }
}

void SourceManager::SkipPastWallpaper(const WideString& file) {
    const auto match =
        std::find_if(wallpapers.begin(), wallpapers.end(),
                     [&](const WallpaperEntry& entry) { return entry.file == file; });
    if (match == wallpapers.end() || std::next(match) == wallpapers.end()) {
        return;
    }
    wallpapers.erase(wallpapers.begin(), std::next(match));
}

void SourceManager::Refill() {
    // A failing source stops the refill; what was appended before it stays for this pass.
    for (const Source& source : sources) {
        AppendWallpapersOf(source);
    }
}

void SourceManager::AppendWallpapersOf(const Source& source) {
    if (IsFileType(source.type)) {
        wallpapers.push_back({source.path, source.path});
    } else {
        GetCore().FindImages(source.path, wallpapers,
                             source.type == SourceType::FolderWithSubfolders);
    }
}
