#pragma once

#include <boost/filesystem/path.hpp>

#include "model/WideString.h"

// A native Linux path is UTF-8 bytes. These are the only conversions between it and the
// program's wide strings (never the C locale, never path::wstring()).
inline boost::filesystem::path ToNativePath(const WideString& path) {
    return boost::filesystem::path(ToUtf8(path));
}

inline WideString FromNativePath(const boost::filesystem::path& path) {
    return FromUtf8(path.string());
}
