#pragma once

#include <windows.h>

#include <vector>

#include "model/WideString.h"

// An environment variable as the UTF-16 text Windows keeps; empty when unset.
inline WideString EnvironmentText(const wchar_t* name) {
    std::vector<wchar_t> value(32768);
    const DWORD length =
        GetEnvironmentVariableW(name, value.data(), static_cast<DWORD>(value.size()));
    return WideString(reinterpret_cast<const char16_t*>(value.data()), length);
}
