#pragma once

#include <cstddef>
#include <string>

#include "model/WideString.h"

// wchar_t is UTF-16 on Windows, so the program's strings cross to the W functions unchanged.
static_assert(sizeof(wchar_t) == sizeof(char16_t), "Win32 wide strings must be UTF-16");

inline const wchar_t* AsWin32(const WideString& text) {
    return reinterpret_cast<const wchar_t*>(text.c_str());
}

inline std::wstring ToWin32String(const WideString& text) {
    return std::wstring(AsWin32(text), text.size());
}

inline WideString FromWin32(const wchar_t* text, std::size_t length) {
    return WideString(reinterpret_cast<const char16_t*>(text), length);
}

inline WideString FromWin32(const std::wstring& text) {
    return FromWin32(text.data(), text.size());
}
