#pragma once

#include "sources/SelectionAlgorithmInterface.h"

// Walks the wallpaper list in order.
class NormalAlgorithm final : public SelectionAlgorithmInterface {
public:
    // Seeds the process's random generator from the calendar time.
    NormalAlgorithm();

    WallpaperEntry SelectNext(const WallpaperList& list, SourceManager& manager) override;
    WideString GetName() const override;

private:
    const WideString name;
};
