#pragma once

#include <string>

#include <boost/filesystem/path.hpp>

#include "model/WideString.h"

// A native Linux path is bytes, normally UTF-8. These are the only conversions between it and the
// program's wide strings (never the C locale, never path::wstring()); bytes that are not UTF-8
// survive the round trip (WideString.h).
inline std::string ToNativeBytes(const WideString& path) {
    return ToUtf8Escaped(path);
}

inline WideString FromNativeBytes(const std::string& path) {
    return FromUtf8Escaped(path);
}

inline boost::filesystem::path ToNativePath(const WideString& path) {
    return boost::filesystem::path(ToNativeBytes(path));
}

inline WideString FromNativePath(const boost::filesystem::path& path) {
    return FromNativeBytes(path.string());
}
