#include "platform/windows/WindowsProgramAutorun.h"

#include <windows.h>

#include <algorithm>
#include <memory>
#include <utility>
#include <vector>

#include "platform/windows/RegistryKey.h"
#include "platform/windows/Win32String.h"

namespace {

constexpr char16_t kRunKey[] = u"Software\\Microsoft\\Windows\\CurrentVersion\\Run";
constexpr std::size_t kDataCapacity = 256;
// GetModuleFileNameW never returns more than the longest path NT allows.
constexpr std::size_t kLongestPath = 32768;

WideString Quoted(const WideString& path) {
    return u'"' + path + u'"';
}

}  // namespace

WindowsProgramAutorun::WindowsProgramAutorun(WideString valueName)
    : valueName(std::move(valueName)) {}

bool WindowsProgramAutorun::IsEnabled() {
    const auto key = RegistryKey::Open(HKEY_CURRENT_USER, kRunKey, KEY_READ);
    if (!key) {
        return false;
    }
    const auto count = key->ValueCount();
    if (!count || *count == 0) {
        return false;
    }
    const WideString expected = Quoted(GetProgramPath());
    // 256 characters hold a quoted path of up to 253; a longer one gets room for itself, or a
    // program deep in the folder tree would never find its own entry.
    const std::size_t capacity = std::max(kDataCapacity, expected.size() + 1);
    for (DWORD index = 0; index < *count; ++index) {
        const auto name = key->ValueNameAt(index);
        if (name && *name == valueName && key->ReadText(*name, capacity) == expected) {
            return true;
        }
    }
    return false;
}

void WindowsProgramAutorun::SetEnabled(bool enable) {
    auto key = RegistryKey::Open(HKEY_CURRENT_USER, kRunKey, KEY_SET_VALUE);
    if (!key) {
        return;
    }
    const bool enabled = IsEnabled();
    if (enable && !enabled) {
        const WideString path = GetProgramPath();
        if (!path.empty()) {
            key->SetString(valueName, Quoted(path));
        }
    } else if (!enable && enabled) {
        key->DeleteValue(valueName);
    }
}

WideString WindowsProgramAutorun::GetProgramPath() {
    std::vector<wchar_t> buffer(MAX_PATH);
    while (buffer.size() <= kLongestPath) {
        const DWORD length =
            GetModuleFileNameW(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
        if (length == 0) {
            return {};
        }
        // A path that fills the buffer may have been cut short.
        if (length < buffer.size()) {
            return FromWin32(buffer.data(), length);
        }
        buffer.resize(buffer.size() * 2);
    }
    return {};
}

std::unique_ptr<ProgramAutorun> CreateProgramAutorun(const WideString& name) {
    return std::make_unique<WindowsProgramAutorun>(name);
}
