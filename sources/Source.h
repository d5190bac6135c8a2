#pragma once

#include <cstdint>

#include "model/WideString.h"

// The integers are stored in "sources.info" and must not change.
enum class SourceType : std::int32_t {
    Folder = 0,
    FolderWithSubfolders = 1,
    File = 2,
};

struct Source {
    WideString path;  // exactly as chosen or loaded, never normalised
    SourceType type = SourceType::File;

    bool operator==(const Source&) const = default;
};

inline bool IsFolderType(SourceType type) {
    return type == SourceType::Folder || type == SourceType::FolderWithSubfolders;
}

inline bool IsFileType(SourceType type) {
    return type == SourceType::File;
}
