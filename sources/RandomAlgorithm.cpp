#include "sources/RandomAlgorithm.h"

#include "model/CoreError.h"
#include "sources/RandomGenerator.h"
#include "sources/SourceManager.h"

RandomAlgorithm::RandomAlgorithm() : name(u"Random") {}

WallpaperEntry RandomAlgorithm::SelectNext(const WallpaperList& list, SourceManager& manager) {
    if (list.empty()) {
        throw CoreError("Wallpaper list is empty");
    }
    const std::size_t index = RandomGenerator::Process().Draw() % list.size();
    WallpaperEntry chosen = list[index];
    manager.RemoveWallpaperAt(index);
    return chosen;
}

WideString RandomAlgorithm::GetName() const {
    return name;
}
