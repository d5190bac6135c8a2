#pragma once

#include "sources/SelectionAlgorithmInterface.h"

// Draws from the wallpaper list at random. A draw reaches at most position 32767, so on a longer
// list later entries come into reach only as earlier ones are consumed.
class RandomAlgorithm final : public SelectionAlgorithmInterface {
public:
    RandomAlgorithm();

    WallpaperEntry SelectNext(const WallpaperList& list, SourceManager& manager) override;
    WideString GetName() const override;

private:
    const WideString name;
};
