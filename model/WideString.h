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

// Lossless between any bytes and UTF-16, for file names, which Linux keeps as bytes: a byte that
// is not part of valid UTF-8 becomes the lone surrogate U+DC80..U+DCFF and turns back into that
// byte (the "surrogateescape" scheme of Python). Other unpaired surrogates, which stand for no
// byte, become '?'.
std::string ToUtf8Escaped(const WideString& text);
WideString FromUtf8Escaped(const std::string& text);
