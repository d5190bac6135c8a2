#include "platform/NativeDesktop.h"

#include <windows.h>

#include <shlobj.h>

#include <cwchar>

#include "model/ProductInfo.h"
#include "platform/windows/MainWindowClass.h"
#include "platform/windows/Win32String.h"

const char* PlatformName() {
    return "Windows";
}

std::optional<WideString> GetApplicationDataFolder() {
    wchar_t folder[MAX_PATH] = {};
    if (FAILED(SHGetFolderPathW(nullptr, CSIDL_APPDATA, nullptr, 0, folder))) {
        return std::nullopt;
    }
    return FromWin32(folder, wcsnlen(folder, MAX_PATH));
}

void CreateUserFolder(const WideString& path) {
    SHCreateDirectoryExW(nullptr, AsWin32(path), nullptr);
}

void CreateFolder(const WideString& path) {
    CreateDirectoryW(AsWin32(path), nullptr);
}

// A running copy is recognised by its main window, which exists as a native window from
// start-up, even while it hides in the tray.
bool IsAnotherCopyRunning() {
    return FindWindowA(kMainWindowClass, product::kName) != nullptr;
}

void BringNativeWindowToFront(std::uintptr_t nativeHandle) {
    const auto window = reinterpret_cast<HWND>(nativeHandle);
    SetForegroundWindow(window);
    SetActiveWindow(window);
    // TRUE restores a minimised window.
    SwitchToThisWindow(window, TRUE);
}
