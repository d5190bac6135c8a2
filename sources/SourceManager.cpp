#include "sources/SourceManager.h"

#include <algorithm>
#include <iterator>
#include <utility>

#include "platform/CoreInterface.h"

namespace {

// A whole library may arrive at once: moving the list itself when `to` is empty keeps that
// constant-time on the GUI thread.
void AppendAll(WallpaperList&& from, WallpaperList& to) {
    if (to.empty()) {
        to = std::move(from);
    } else {
        std::move(from.begin(), from.end(), std::back_inserter(to));
    }
}

}  // namespace

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
    if (refill) {
        refill->removedPaths.insert(path);
    }
    // Entries of every record with this path go, whichever record contributed them.
    std::erase_if(wallpapers,
                  [&](const WallpaperEntry& entry) { return entry.GetSource() == path; });
    Notify();
}

void SourceManager::RemoveAllSources() {
    sources.clear();
    wallpapers.clear();
    AbandonRefill();
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
    if (wallpapers.empty() && !refill) {
        Refill();
    }
}

void SourceManager::SkipPastWallpaper(const WideString& file) {
    const auto match =
        std::find_if(wallpapers.begin(), wallpapers.end(),
                     [&](const WallpaperEntry& entry) { return entry.HasFile(file); });
    if (match == wallpapers.end() || std::next(match) == wallpapers.end()) {
        return;
    }
    wallpapers.erase(wallpapers.begin(), std::next(match));
}

void SourceManager::WhenRefilled(std::function<void(std::exception_ptr)> done) {
    if (refill) {
        refill->waiting.push_back(std::move(done));
    } else {
        done(nullptr);
    }
}

void SourceManager::Refill() {
    const auto pass = std::make_shared<RefillPass>();
    pass->sources = sources;
    refill = pass;
    ListFrom(0);
    if (pass->finished && pass->failure) {
        std::rethrow_exception(pass->failure);
    }
}

// A failing source stops the refill; what was found before it stays for this pass.
void SourceManager::ListFrom(std::size_t position) {
    const std::shared_ptr<RefillPass> pass = refill;
    for (; position < pass->sources.size(); ++position) {
        const Source& source = pass->sources[position];
        if (IsFileType(source.type)) {
            pass->found.push_back({source.path, source.path});
            continue;
        }
        // The manager owns the pass: a pass that is gone or replaced means nothing waits for it.
        const std::weak_ptr<RefillPass> listed = pass;
        GetCore().StartFindImages(
            source.path, source.type == SourceType::FolderWithSubfolders,
            [this, listed, position](WallpaperList found, std::exception_ptr error) {
                const std::shared_ptr<RefillPass> current = listed.lock();
                if (!current || current != refill) {
                    return;
                }
                AppendAll(std::move(found), current->found);
                if (error) {
                    FinishRefill(error);
                } else {
                    ListFrom(position + 1);
                }
            });
        return;
    }
    FinishRefill(nullptr);
}

// The refilled entries go before those of sources added while it was under way.
void SourceManager::FinishRefill(std::exception_ptr failure) {
    const std::shared_ptr<RefillPass> pass = std::exchange(refill, nullptr);
    pass->finished = true;
    pass->failure = failure;
    if (!pass->removedPaths.empty()) {
        std::erase_if(pass->found, [&](const WallpaperEntry& entry) {
            return pass->removedPaths.contains(entry.GetSource());
        });
    }
    AppendAll(std::move(wallpapers), pass->found);
    wallpapers = std::move(pass->found);
    for (const auto& done : pass->waiting) {
        done(failure);
    }
}

void SourceManager::AbandonRefill() {
    if (const std::shared_ptr<RefillPass> pass = std::exchange(refill, nullptr)) {
        for (const auto& done : pass->waiting) {
            done(nullptr);
        }
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
