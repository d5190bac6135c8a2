#pragma once

#include <deque>

#include "model/WideString.h"

struct WallpaperEntry {
    WideString source;  // the path of the source that produced the entry, as spelled there
    WideString file;

    bool operator==(const WallpaperEntry&) const = default;
};

// A deque keeps erasing at the front (the in-order walk) constant-time on large libraries.
using WallpaperList = std::deque<WallpaperEntry>;
