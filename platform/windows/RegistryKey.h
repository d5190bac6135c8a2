#pragma once

#include <windows.h>

#include <cstddef>
#include <optional>

#include "model/WideString.h"

// An open registry key, closed when the object goes away.
class RegistryKey final {
public:
    // Nothing when the key cannot be opened with that access.
    static std::optional<RegistryKey> Open(HKEY root, const WideString& path, REGSAM access);

    RegistryKey(RegistryKey&& other) noexcept;
    RegistryKey& operator=(RegistryKey&&) = delete;
    RegistryKey(const RegistryKey&) = delete;
    RegistryKey& operator=(const RegistryKey&) = delete;
    ~RegistryKey();

    // Writes a REG_SZ value whose data size counts the characters only, not a terminating NUL.
    bool SetString(const WideString& name, const WideString& text);
    bool DeleteValue(const WideString& name);

    std::optional<DWORD> ValueCount() const;
    std::optional<WideString> ValueNameAt(DWORD index) const;
    // The value's data as text, read with room for `capacity` characters; nothing when it does
    // not fit or cannot be read. The text ends at the first NUL or at the end of the data.
    std::optional<WideString> ReadText(const WideString& name, std::size_t capacity) const;

private:
    explicit RegistryKey(HKEY handle);

    HKEY handle;
};
