#pragma once

#include <initializer_list>
#include <ostream>
#include <string>
#include <vector>

#include "model/WideString.h"
#include "sources/Source.h"
#include "sources/WallpaperEntry.h"

// Readable failure messages for the model's value types.
inline void PrintTo(const WallpaperEntry& entry, std::ostream* out) {
    *out << "{" << ToUtf8(entry.GetSource()) << ", " << ToUtf8(entry.GetFile()) << "}";
}

inline void PrintTo(const Source& source, std::ostream* out) {
    *out << "{" << ToUtf8(source.path) << ", " << static_cast<int>(source.type) << "}";
}

// "<folder>/<stem><i>.jpg" for i in [first, first + count).
inline std::vector<WideString> NumberedFiles(const WideString& folder, std::size_t count,
                                             const std::string& stem = "img",
                                             std::size_t first = 0) {
    std::vector<WideString> files;
    for (std::size_t i = first; i < first + count; ++i) {
        files.push_back(folder + u"/" + Widen(stem + std::to_string(i) + ".jpg"));
    }
    return files;
}

inline WallpaperList EntriesOf(const WideString& source, const std::vector<WideString>& files) {
    WallpaperList entries;
    for (const WideString& file : files) {
        entries.push_back({source, file});
    }
    return entries;
}

inline WallpaperList Concatenated(std::initializer_list<WallpaperList> parts) {
    WallpaperList all;
    for (const WallpaperList& part : parts) {
        all.insert(all.end(), part.begin(), part.end());
    }
    return all;
}
