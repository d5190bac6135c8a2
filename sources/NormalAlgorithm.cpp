#include "sources/NormalAlgorithm.h"

#include <ctime>

#include "model/CoreError.h"
#include "sources/RandomGenerator.h"
#include "sources/SourceManager.h"

NormalAlgorithm::NormalAlgorithm() : name(u"Normal") {
    RandomGenerator::Process().Seed(static_cast<std::uint32_t>(std::time(nullptr)));
}

WallpaperEntry NormalAlgorithm::SelectNext(const WallpaperList& list, SourceManager& manager) {
    if (list.empty()) {
        throw CoreError("Wallpaper list is empty");
    }
    WallpaperEntry chosen = list.front();
    manager.RemoveWallpaperAt(0);
    return chosen;
}

WideString NormalAlgorithm::GetName() const {
    return name;
}
