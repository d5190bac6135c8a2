#pragma once

#include <filesystem>
#include <string>

// Paths and names are UTF-16 on every platform, so surrogate pairs behave the same everywhere.
using WideString = std::u16string;

inline constexpr char16_t kNativeSeparator =
    static_cast<char16_t>(std::filesystem::path::preferred_separator);

// The folder, the native separator unless the folder is empty or already ends in '\' or '/',
// then the name.
WideString JoinPath(const WideString& folder, const WideString& name);

// Each byte becomes one code unit of the same value.
WideString Widen(const std::string& text);

// Unpaired surrogates become '?', a trailing high surrogate is dropped.
std::string ToUtf8(const WideString& text);

// Malformed, overlong and non-initial bytes become '?', a sequence cut off by the end is dropped.
WideString FromUtf8(const std::string& text);
