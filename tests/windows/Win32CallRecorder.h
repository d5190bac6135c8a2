#pragma once

#include <windows.h>

#include <vector>

#include "model/WideString.h"
#include "tests/windows/ImportHook.h"

// The import-table entries that the code under test calls through.
extern "C" decltype(&RegSetValueExW) __imp_RegSetValueExW;
extern "C" decltype(&RegDeleteValueW) __imp_RegDeleteValueW;
extern "C" decltype(&SystemParametersInfoA) __imp_SystemParametersInfoA;

struct RecordedWrite {
    WideString name;
    DWORD type;
    std::vector<BYTE> data;  // exactly the bytes handed over, as many as the size said

    bool operator==(const RecordedWrite&) const = default;
};

struct RecordedSystemCall {
    UINT action;
    UINT parameter;
    bool pathGiven;
    UINT flags;

    bool operator==(const RecordedSystemCall&) const = default;
};

// Records registry writes and deletions and wallpaper changes while it lives; the calls still
// reach the system unless it is told to refuse them. One recorder at a time.
class Win32CallRecorder final {
public:
    Win32CallRecorder();
    ~Win32CallRecorder();
    Win32CallRecorder(const Win32CallRecorder&) = delete;
    Win32CallRecorder& operator=(const Win32CallRecorder&) = delete;

    // SystemParametersInfoA answers FALSE without asking the system, as Wine never does.
    void RefuseSystemChanges() { refuseSystemChanges = true; }

    const std::vector<RecordedWrite>& Writes() const { return writes; }
    const std::vector<WideString>& Deletions() const { return deletions; }
    const std::vector<RecordedSystemCall>& SystemCalls() const { return systemCalls; }

private:
    static LSTATUS WINAPI SetValue(HKEY key, LPCWSTR name, DWORD reserved, DWORD type,
                                   const BYTE* data, DWORD size);
    static LSTATUS WINAPI DeleteValue(HKEY key, LPCWSTR name);
    static BOOL WINAPI ChangeSystemParameter(UINT action, UINT parameter, PVOID path, UINT flags);

    static Win32CallRecorder* active;

    ImportHook<decltype(RegSetValueExW)> setValueHook;
    ImportHook<decltype(RegDeleteValueW)> deleteValueHook;
    ImportHook<decltype(SystemParametersInfoA)> systemParameterHook;
    bool refuseSystemChanges = false;
    std::vector<RecordedWrite> writes;
    std::vector<WideString> deletions;
    std::vector<RecordedSystemCall> systemCalls;
};
