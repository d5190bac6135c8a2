#include "platform/windows/RegistryKey.h"

#include <shlwapi.h>

#include <algorithm>
#include <vector>

#include "platform/windows/Win32String.h"

namespace {

// The longest value name the registry allows, plus the terminator.
constexpr DWORD kValueNameCapacity = 16383 + 1;

}  // namespace

std::optional<RegistryKey> RegistryKey::Open(HKEY root, const WideString& path, REGSAM access) {
    HKEY handle = nullptr;
    if (RegOpenKeyExW(root, AsWin32(path), 0, access, &handle) != ERROR_SUCCESS) {
        return std::nullopt;
    }
    return RegistryKey(handle);
}

RegistryKey::RegistryKey(HKEY handle) : handle(handle) {}

RegistryKey::RegistryKey(RegistryKey&& other) noexcept : handle(other.handle) {
    other.handle = nullptr;
}

RegistryKey::~RegistryKey() {
    if (handle != nullptr) {
        RegCloseKey(handle);
    }
}

bool RegistryKey::SetString(const WideString& name, const WideString& text) {
    const auto size = static_cast<DWORD>(text.size() * sizeof(char16_t));
    return RegSetValueExW(handle, AsWin32(name), 0, REG_SZ,
                          reinterpret_cast<const BYTE*>(text.c_str()), size) == ERROR_SUCCESS;
}

bool RegistryKey::DeleteValue(const WideString& name) {
    return RegDeleteValueW(handle, AsWin32(name)) == ERROR_SUCCESS;
}

std::optional<DWORD> RegistryKey::ValueCount() const {
    DWORD count = 0;
    if (RegQueryInfoKeyW(handle, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &count,
                         nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) {
        return std::nullopt;
    }
    return count;
}

std::optional<WideString> RegistryKey::ValueNameAt(DWORD index) const {
    std::vector<wchar_t> name(kValueNameCapacity, L'\0');
    DWORD length = kValueNameCapacity;
    if (RegEnumValueW(handle, index, name.data(), &length, nullptr, nullptr, nullptr, nullptr) !=
        ERROR_SUCCESS) {
        return std::nullopt;
    }
    return FromWin32(name.data(), length);
}

std::optional<WideString> RegistryKey::ReadText(const WideString& name,
                                                std::size_t capacity) const {
    // One spare character: data that fills the buffer exactly comes back without a terminator.
    std::vector<wchar_t> data(capacity + 1, L'\0');
    auto size = static_cast<DWORD>(capacity * sizeof(wchar_t));
    if (SHGetValueW(handle, nullptr, AsWin32(name), nullptr, data.data(), &size) != ERROR_SUCCESS) {
        return std::nullopt;
    }
    const std::size_t received = std::min<std::size_t>(size / sizeof(wchar_t), capacity);
    const auto end = std::find(data.begin(), data.begin() + received, L'\0');
    return FromWin32(data.data(), static_cast<std::size_t>(end - data.begin()));
}
