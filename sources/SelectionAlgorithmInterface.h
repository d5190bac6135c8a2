#pragma once

#include "model/WideString.h"
#include "sources/WallpaperEntry.h"

class SourceManager;

class SelectionAlgorithmInterface {
public:
    virtual ~SelectionAlgorithmInterface() = default;
    // Picks an entry of the manager's own wallpaper list, removes it through the manager and
    // returns a copy. Throws CoreError "Wallpaper list is empty" on an empty list.
    virtual WallpaperEntry SelectNext(const WallpaperList& list, SourceManager& manager) = 0;
    virtual WideString GetName() const = 0;
};
